#include "platform/pulse_microphone_watch.h"
#include "platform/pulse_microphones.h"
#include "support/pulse_server.h"
#include "support/temporary_folder.h"

#include <QSettings>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace lumbex {
namespace {

const char kDisconnected[] =
    "Microphone disconnected. Recorded audio has been kept. Choose another microphone to continue.";
const char kUnavailable[] = "The selected microphone is unavailable. Choose another microphone in "
                            "this note, or keep typing.";

class PulseMicrophonesTest : public testing::Test {
protected:
    void SetUp() override {
        if (!server.missing().isEmpty())
            GTEST_SKIP() << server.missing().toStdString();
        ASSERT_TRUE(server.running());
    }

    test::PulseServer server;
    test::TemporaryFolder folder;
    QSettings settings{folder.path("settings.conf"), QSettings::IniFormat};
};

std::vector<QString> ids(const std::vector<Microphone>& microphones) {
    std::vector<QString> out;
    for (const Microphone& m : microphones)
        out.push_back(m.id);
    return out;
}

TEST_F(PulseMicrophonesTest, ListsSourcesButNotMonitors) {
    const auto microphones = makePulseMicrophones(settings);
    EXPECT_EQ(ids(microphones->available()), std::vector<QString>{"mic"});
    ASSERT_TRUE(microphones->systemDefault());
    EXPECT_EQ(microphones->systemDefault()->id, "mic");
    EXPECT_FALSE(microphones->systemDefault()->name.isEmpty());
    EXPECT_EQ(microphones->current(), microphones->systemDefault());
}

TEST_F(PulseMicrophonesTest, TheApplicationsOwnChoiceWinsAndIsNeverReplacedByTheDefault) {
    QString module;
    ASSERT_TRUE(server.pactl({"load-module", "module-null-source", "source_name=desk"}, &module));
    const auto microphones = makePulseMicrophones(settings);
    EXPECT_EQ(ids(microphones->available()), (std::vector<QString>{"mic", "desk"}));
    const Microphone desk = microphones->available()[1];
    microphones->setSelection(desk);
    EXPECT_EQ(settings.value("voiceMicrophone").toMap().value("id").toString(), "desk");
    EXPECT_EQ(microphones->selection(), desk);
    EXPECT_EQ(microphones->current(), desk);
    // A second view of the same settings sees the choice.
    EXPECT_EQ(makePulseMicrophones(settings)->current(), desk);

    ASSERT_TRUE(server.pactl({"unload-module", module}));
    EXPECT_EQ(microphones->selection(), desk);
    EXPECT_EQ(microphones->current(), std::nullopt);
    try {
        pulseMicrophoneOpener()(microphones->current());
        ADD_FAILURE();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), kUnavailable);
    }
    try {
        pulseMicrophoneOpener()(desk);
        ADD_FAILURE();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), kUnavailable);
    }

    microphones->setSelection(std::nullopt);
    EXPECT_FALSE(settings.contains("voiceMicrophone"));
    EXPECT_EQ(microphones->current()->id, "mic");
}

struct Captured {
    std::mutex mutex;
    std::condition_variable changed;
    qint64 frames = 0;
    double loudest = 0;
    std::vector<QString> failures;
};

TEST_F(PulseMicrophonesTest, CapturesFloatAudioAndReportsADisconnect) {
    QString module;
    ASSERT_TRUE(server.pactl(
        {"load-module", "module-remap-source", "source_name=usb", "master=v.monitor", "channels=1"},
        &module));
    auto capture = pulseMicrophoneOpener()(Microphone{"usb", "USB"});
    EXPECT_EQ(capture->format().channels, 1);
    EXPECT_GT(capture->format().sampleRate, 0);

    Captured captured;
    capture->start(
        [&](const AudioBuffer& buffer) {
            const std::lock_guard lock(captured.mutex);
            EXPECT_EQ(buffer.format, capture->format());
            captured.frames += buffer.frames();
            for (float s : buffer.samples)
                captured.loudest = std::max(captured.loudest, double(std::abs(s)));
            captured.changed.notify_all();
        },
        [&](const LumbexError& error) {
            const std::lock_guard lock(captured.mutex);
            captured.failures.push_back(error.message());
            captured.changed.notify_all();
        });
    const auto tone = server.playTone(440, 3.0);
    {
        std::unique_lock lock(captured.mutex);
        ASSERT_TRUE(captured.changed.wait_for(lock, std::chrono::seconds(10), [&] {
            return captured.loudest > 0.3 && captured.frames > capture->format().sampleRate / 2;
        }));
    }
    ASSERT_TRUE(server.pactl({"unload-module", module}));
    {
        std::unique_lock lock(captured.mutex);
        ASSERT_TRUE(captured.changed.wait_for(lock, std::chrono::seconds(10),
                                              [&] { return !captured.failures.empty(); }));
        EXPECT_EQ(captured.failures, std::vector<QString>{kDisconnected});
    }
    capture->stop();
}

TEST_F(PulseMicrophonesTest, AServerThatGoesAwayDisconnectsTheCapture) {
    auto capture = pulseMicrophoneOpener()(Microphone{"mic", "Mic"});
    Captured captured;
    capture->start([](const AudioBuffer&) {},
                   [&](const LumbexError& error) {
                       const std::lock_guard lock(captured.mutex);
                       captured.failures.push_back(error.message());
                       captured.changed.notify_all();
                   });
    server.stop();
    std::unique_lock lock(captured.mutex);
    ASSERT_TRUE(captured.changed.wait_for(lock, std::chrono::seconds(10),
                                          [&] { return !captured.failures.empty(); }));
    EXPECT_EQ(captured.failures, std::vector<QString>{kDisconnected});
}

// What a watch told, from its own thread.
class WatchChanges {
public:
    std::function<void()> counter() {
        return [this] {
            const std::lock_guard lock(mutex_);
            ++changes_;
            changed_.notify_all();
        };
    }
    int seen() {
        const std::lock_guard lock(mutex_);
        return changes_;
    }
    // Whether a change after the `seen`th one comes within ten seconds.
    bool awaitChange(int seen) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return changes_ > seen; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int changes_ = 0;
};

TEST_F(PulseMicrophonesTest, TheWatchHearsMicrophonesComeAndGo) {
    WatchChanges changes;
    PulseMicrophoneWatch watch(changes.counter());
    ASSERT_TRUE(watch.watching());
    const auto microphones = makePulseMicrophones(settings);
    const auto awaitChange = [&](int seen) { return changes.awaitChange(seen); };
    const auto seen = [&] { return changes.seen(); };
    int before = seen();
    QString module;
    ASSERT_TRUE(server.pactl({"load-module", "module-null-source", "source_name=desk"}, &module));
    ASSERT_TRUE(awaitChange(before));
    EXPECT_EQ(ids(microphones->available()), (std::vector<QString>{"mic", "desk"}));
    before = seen();
    ASSERT_TRUE(server.pactl({"set-default-source", "desk"}));
    ASSERT_TRUE(awaitChange(before)) << "a new default input";
    before = seen();
    ASSERT_TRUE(server.pactl({"unload-module", module}));
    ASSERT_TRUE(awaitChange(before));
    EXPECT_EQ(ids(microphones->available()), std::vector<QString>{"mic"});
    // Sinks and their streams are no microphones: nothing to tell.
    ASSERT_TRUE(server.pactl({"load-module", "module-null-sink", "sink_name=speakers"}, &module));
    QThread::msleep(300);
    before = seen();
    ASSERT_TRUE(server.pactl({"set-sink-volume", "speakers", "50%"}));
    QThread::msleep(300);
    EXPECT_EQ(seen(), before);
}

// Whether `condition` holds within ten seconds.
bool eventually(const std::function<bool()>& condition) {
    for (int waited = 0; waited < 10'000; waited += 20) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// The sound server going away and coming back (a crash, a restart of the sound system) is a
// change each time, and the watch follows the new server's microphones.
TEST_F(PulseMicrophonesTest, TheWatchFollowsARestartedServer) {
    WatchChanges changes;
    PulseMicrophoneWatch watch(changes.counter(), std::chrono::milliseconds(100));
    ASSERT_TRUE(watch.watching());
    const auto awaitChange = [&](int seen) { return changes.awaitChange(seen); };
    const auto seen = [&] { return changes.seen(); };

    int before = seen();
    server.stop();
    ASSERT_TRUE(awaitChange(before)) << "the server's end was not told";
    EXPECT_FALSE(watch.watching());

    before = seen();
    server.start();
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(awaitChange(before)) << "the new server was not told";
    ASSERT_TRUE(eventually([&] { return watch.watching(); }));

    before = seen();
    ASSERT_TRUE(server.pactl({"load-module", "module-null-source", "source_name=desk"}));
    EXPECT_TRUE(awaitChange(before)) << "the new server's microphones are not followed";
}

TEST_F(PulseMicrophonesTest, AWatchStartedWithoutAServerFindsOneThatStartsLater) {
    server.stop();
    std::atomic<int> changes = 0;
    PulseMicrophoneWatch watch([&] { ++changes; }, std::chrono::milliseconds(100));
    EXPECT_FALSE(watch.watching());
    server.start();
    ASSERT_TRUE(eventually([&] { return watch.watching(); }));
    EXPECT_GE(changes, 1);
}

TEST_F(PulseMicrophonesTest, NoServerMeansNoWatch) {
    server.stop();
    PulseMicrophoneWatch watch([] {});
    EXPECT_FALSE(watch.watching());
}

TEST_F(PulseMicrophonesTest, NoServerMeansNoMicrophones) {
    server.stop();
    const auto microphones = makePulseMicrophones(settings);
    EXPECT_TRUE(microphones->available().empty());
    EXPECT_EQ(microphones->current(), std::nullopt);
    EXPECT_THROW(pulseMicrophoneOpener()(Microphone{"mic", "Mic"}), LumbexError);
}

} // namespace
} // namespace lumbex
