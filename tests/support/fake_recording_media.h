#pragma once

#include "platform/recording_media.h"
#include "platform/recording_sources.h"

#include <QFile>
#include <algorithm>
#include <memory>
#include <mutex>
#include <set>

namespace lumbex::test {

// What a fake movie was asked to do, shared with the test after the writer is gone.
struct FakeMovieLog {
    std::mutex lock;
    MovieSettings settings;
    std::optional<qint64> sessionStart;
    std::optional<qint64> sessionEnd;
    std::vector<qint64> videoTimes;
    std::vector<std::pair<RecordingAudio, qint64>> audioTimes;
    bool finished = false;
    bool cancelled = false;

    // How many further pictures / sounds to refuse, and whether finishing fails.
    int refuseVideo = 0;
    int refuseAudio = 0;
    bool failFinish = false;
    // Once set, the file is failing: every append is refused.
    std::optional<LumbexError> failure;
    // Blocks each picture until the test lets it through.
    std::function<void()> beforeVideo;
};

// A movie writer that writes a small file (so that folders look real) and logs every call.
class FakeMovieWriter : public MovieWriter {
public:
    explicit FakeMovieWriter(std::shared_ptr<FakeMovieLog> log) : log_(std::move(log)) {
        QFile file(log_->settings.path);
        if (!file.open(QIODevice::NewOnly))
            throw LumbexError(QStringLiteral("Could not write ") + log_->settings.path);
        file.write("fake movie");
    }
    void startSession(qint64 time) override {
        with([&] { log_->sessionStart = time; });
    }
    bool appendVideo(const VideoSample& sample) override {
        if (log_->beforeVideo)
            log_->beforeVideo();
        return with([&] {
            if (log_->failure)
                return false;
            if (log_->refuseVideo > 0) {
                --log_->refuseVideo;
                return false;
            }
            log_->videoTimes.push_back(sample.time);
            return true;
        });
    }
    bool appendAudio(RecordingAudio role, const AudioSample& sample) override {
        return with([&] {
            if (log_->failure)
                return false;
            if (log_->refuseAudio > 0) {
                --log_->refuseAudio;
                return false;
            }
            log_->audioTimes.emplace_back(role, sample.time);
            return true;
        });
    }
    void endSession(qint64 time) override {
        with([&] { log_->sessionEnd = time; });
    }
    bool finish() override {
        return with([&] {
            log_->finished = !log_->failFinish;
            return log_->finished;
        });
    }
    void cancel() override {
        with([&] { log_->cancelled = true; });
    }
    std::optional<LumbexError> writeFailure() const override {
        const std::lock_guard guard(log_->lock);
        return log_->failure;
    }

private:
    template <typename Body> auto with(Body body) -> decltype(body()) {
        const std::lock_guard guard(log_->lock);
        return body();
    }
    std::shared_ptr<FakeMovieLog> log_;
};

// Opens fake movies, keeping one log per file in order of creation.
struct FakeMovies {
    std::vector<std::shared_ptr<FakeMovieLog>> logs;
    // Applied to each new log before the writer is made.
    std::function<void(FakeMovieLog&)> prepare;

    MovieWriterFactory factory() {
        return [this](const MovieSettings& settings) -> std::unique_ptr<MovieWriter> {
            auto log = std::make_shared<FakeMovieLog>();
            log->settings = settings;
            if (prepare)
                prepare(*log);
            logs.push_back(log);
            return std::make_unique<FakeMovieWriter>(log);
        };
    }

    // Describes a fake movie as the real inspector would a finished file: its session's length,
    // and the audio roles that received sound.
    SegmentInspector inspector() {
        return [this](const QString& file, const Id& id) {
            const auto log = std::find_if(logs.begin(), logs.end(),
                                          [&](const auto& l) { return l->settings.path == file; });
            if (log == logs.end() || !(*log)->sessionStart || !(*log)->sessionEnd)
                throw LumbexError(QStringLiteral("The recording contains no readable video."));
            RecordingSegment segment;
            segment.id = id;
            segment.width = (*log)->settings.width;
            segment.height = (*log)->settings.height;
            segment.duration = *(*log)->sessionEnd - *(*log)->sessionStart;
            segment.byteCount = QFile(file).size();
            segment.sha256 = QString(64, u'a');
            qint32 track = 2;
            for (const RecordingAudio role : (*log)->settings.audio)
                if (std::any_of((*log)->audioTimes.begin(), (*log)->audioTimes.end(),
                                [&](const auto& a) { return a.first == role; }))
                    segment.audioTracks.emplace(role, track++);
            return segment;
        };
    }
};

// A sample source the test drives by hand; remembers whether it runs.
template <typename Sample> class ManualSource : public RecordingSampleSource<Sample> {
public:
    struct Handle {
        std::mutex lock;
        typename RecordingSampleSource<Sample>::Deliver deliver;
        typename RecordingSampleSource<Sample>::Failed failed;
        bool running = false;
        int starts = 0;

        // Delivers like the source's own thread would; false when the source is not running.
        bool send(Sample sample) {
            const std::lock_guard guard(lock);
            if (!running)
                return false;
            deliver(std::move(sample));
            return true;
        }
        bool fail(const LumbexError& error) {
            const std::lock_guard guard(lock);
            if (!running)
                return false;
            failed(error);
            return true;
        }
    };

    explicit ManualSource(std::shared_ptr<Handle> handle) : handle_(std::move(handle)) {}
    void start(typename RecordingSampleSource<Sample>::Deliver deliver,
               typename RecordingSampleSource<Sample>::Failed failed) override {
        const std::lock_guard guard(handle_->lock);
        handle_->deliver = std::move(deliver);
        handle_->failed = std::move(failed);
        handle_->running = true;
        ++handle_->starts;
    }
    void stop() override {
        const std::lock_guard guard(handle_->lock);
        handle_->running = false;
    }

private:
    std::shared_ptr<Handle> handle_;
};

inline VideoSample picture(qint64 time, QColor color = Qt::darkCyan) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(color);
    return {image, time};
}

inline AudioSample sound(qint64 time, size_t frames = 960) {
    return {std::vector<float>(frames * kRecordingAudioChannels, 0.25f), time};
}

} // namespace lumbex::test
