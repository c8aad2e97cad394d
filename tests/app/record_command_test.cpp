#include "command_line_fixture.h"
#include "core/sha256.h"
#include "model/note_package.h"
#include "model/recording_files.h"
#include "recording/recording_journal.h"
#include "support/pulse_server.h"
#include "support/shown_test_window.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace lumbex {
namespace {

constexpr qint64 kSecond = 1000000;

// What a segment file holds, read with libavformat.
struct MovieFacts {
    QString videoCodec;
    QSize size;
    bool reordered = false; // some video packet's pts differs from its dts
    int hasBFrames = -1;
    int primaries = -1, transfer = -1, matrix = -1;
    qint64 longestKeyFrameGap = 0; // µs
    QStringList audioTitles;
    int audioRate = 0, audioChannels = 0;
    QString audioCodec;
};

MovieFacts probe(const QString& file) {
    MovieFacts facts;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, file.toLocal8Bit().constData(), nullptr, nullptr) != 0)
        return facts;
    avformat_find_stream_info(context, nullptr);
    int video = -1;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const AVCodecParameters* p = stream->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            video = int(i);
            facts.videoCodec = QString::fromLatin1(avcodec_get_name(p->codec_id));
            facts.size = QSize(p->width, p->height);
            facts.hasBFrames = p->video_delay;
            facts.primaries = p->color_primaries;
            facts.transfer = p->color_trc;
            facts.matrix = p->color_space;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            const AVDictionaryEntry* title =
                av_dict_get(stream->metadata, "handler_name", nullptr, 0);
            facts.audioTitles << (title ? QString::fromUtf8(title->value) : QString());
            facts.audioCodec = QString::fromLatin1(avcodec_get_name(p->codec_id));
            facts.audioRate = p->sample_rate;
            facts.audioChannels = p->ch_layout.nb_channels;
        }
    }
    AVPacket* packet = av_packet_alloc();
    std::optional<qint64> lastKey;
    while (av_read_frame(context, packet) == 0) {
        if (packet->stream_index == video) {
            const AVRational base = context->streams[video]->time_base;
            const qint64 us = av_rescale_q(packet->pts, base, AVRational{1, 1000000});
            if (packet->pts != packet->dts)
                facts.reordered = true;
            if (packet->flags & AV_PKT_FLAG_KEY) {
                if (lastKey)
                    facts.longestKeyFrameGap = std::max(facts.longestKeyFrameGap, us - *lastKey);
                lastKey = us;
            }
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&context);
    return facts;
}

class RecordCommandTest : public test::CommandLineTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(manager.ready()) << "openbox did not start";
        if (!pulse.missing().isEmpty())
            GTEST_SKIP() << pulse.missing().toStdString();
        ASSERT_TRUE(pulse.running()) << "the private PulseAudio did not start";
        qputenv("DISPLAY", display.name().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("DISPLAY"); }

    // Starts `lumbex record ARGS` and waits for its first line, which names the folder.
    std::unique_ptr<QProcess> startRecording(const QStringList& args, QString* recordingFolder) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder.path(QStringLiteral("data")));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(folder.path());
        process->setReadChannel(QProcess::StandardError);
        process->start(QStringLiteral(LUMBEX_BINARY), QStringList{"record"} + args);
        QElapsedTimer waited;
        waited.start();
        while (!process->canReadLine() && waited.elapsed() < 10000 &&
               process->state() != QProcess::NotRunning)
            process->waitForReadyRead(100);
        const QString line = QString::fromUtf8(process->readLine()).trimmed();
        if (line.startsWith(u"recording "))
            *recordingFolder = line.mid(10);
        return process;
    }
    static void signal(QProcess& process, int number) {
        ::kill(pid_t(process.processId()), number);
    }

    static QStringList segmentLines(const QString& err) {
        QStringList lines;
        for (const QString& line : err.split(u'\n'))
            if (line.startsWith(u"segment "))
                lines << line;
        return lines;
    }

    test::VirtualDisplay display{QSize(640, 480)};
    test::WindowManager manager{display};
    test::PulseServer pulse;
};

TEST_F(RecordCommandTest, FiveSecondsOfScreenAndSoundBecomeANote) {
    const auto tone = pulse.playTone(440, 8);
    const test::Result r = lumbex({"record", "--display", "0", "--seconds", "5", "--system-audio",
                                   "--note", "Five.capturenote"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString package = folder.path("Five.capturenote");
    EXPECT_EQ(r.out, package + u'\n');
    const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(u"recording ")) << lines[0].toStdString();
    const QString recordingFolder = lines[0].mid(10);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^segment [0-9A-F-]{36} duration=\\d+ dropped=\\d+/\\d+$"))
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
    EXPECT_FALSE(QFileInfo::exists(recordingFolder)) << "the saved recording's folder is removed";

    const NotePackageContents note = readNotePackage(package);
    ASSERT_TRUE(note.note.screenRecording);
    const ScreenRecording& recording = *note.note.screenRecording;
    EXPECT_NEAR(double(recording.duration()), 5.0 * kSecond, 0.2 * kSecond);
    ASSERT_EQ(recording.segments.size(), 1u);
    EXPECT_TRUE(recording.segments[0].audioTracks.contains(RecordingAudio::System));
    EXPECT_FALSE(recording.recovery);
    EXPECT_EQ(note.note.media.size(), 3u) << "frames at the start, middle and end";
    EXPECT_TRUE(note.note.title.startsWith(u"Recording ")) << note.note.title.toStdString();

    const test::Result check = lumbex({"note", "check", "--json", package});
    ASSERT_EQ(check.exitCode, 0) << check.err.toStdString();
    const QJsonObject summary = QJsonDocument::fromJson(check.out.toUtf8()).object();
    EXPECT_TRUE(summary.contains(QStringLiteral("recording"))) << check.out.toStdString();

    const MovieFacts facts = probe(note.videoFiles.at(recording.segments[0].id));
    EXPECT_EQ(facts.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(facts.size, QSize(640, 480));
    EXPECT_EQ(facts.hasBFrames, 0);
    EXPECT_FALSE(facts.reordered);
    EXPECT_EQ(facts.primaries, AVCOL_PRI_BT709);
    EXPECT_EQ(facts.transfer, AVCOL_TRC_BT709);
    EXPECT_EQ(facts.matrix, AVCOL_SPC_BT709);
    EXPECT_GT(facts.longestKeyFrameGap, 0);
    EXPECT_LE(facts.longestKeyFrameGap, 2 * kSecond);
    EXPECT_EQ(facts.audioTitles, QStringList{QStringLiteral("Lumbex System Audio")});
    EXPECT_EQ(facts.audioCodec, QStringLiteral("aac"));
    EXPECT_EQ(facts.audioRate, 48000);
    EXPECT_EQ(facts.audioChannels, 2);
}

TEST_F(RecordCommandTest, PausingTwiceMakesThreeSegmentsThatAddUp) {
    QString recordingFolder;
    const auto process =
        startRecording({"--area", "20,20,320,240", "--folder", "take"}, &recordingFolder);
    ASSERT_EQ(recordingFolder, folder.path("take"));
    for (int pause = 0; pause < 2; ++pause) {
        QThread::msleep(900);
        signal(*process, SIGUSR1); // pause
        QThread::msleep(400);
        signal(*process, SIGUSR1); // resume
    }
    QThread::msleep(900);
    signal(*process, SIGTERM);
    ASSERT_TRUE(process->waitForFinished(20000));
    const QString err = QString::fromUtf8(process->readAllStandardError());
    ASSERT_EQ(process->exitCode(), 0) << err.toStdString();
    EXPECT_EQ(QString::fromUtf8(process->readAllStandardOutput()), recordingFolder + u'\n');
    EXPECT_EQ(segmentLines(err).size(), 3) << err.toStdString();

    const RecordingJournal journal =
        RecordingJournal::decode(test::fileBytes(recordingFolder + "/recording.json"));
    EXPECT_TRUE(journal.completed);
    ASSERT_EQ(journal.recording.segments.size(), 3u);
    qint64 total = 0;
    for (const RecordingSegment& segment : journal.recording.segments) {
        EXPECT_EQ(QSize(segment.width, segment.height), QSize(320, 240));
        EXPECT_NEAR(double(segment.duration), 0.9 * kSecond, 0.25 * kSecond);
        EXPECT_NO_THROW(
            RecordingFiles::verify(recordingFolder + u'/' + segment.filename(), segment));
        total += segment.duration;
    }
    EXPECT_EQ(journal.recording.duration(), total);
}

// A short version of bench/recording_kill.py: the folder of a recording killed at a random
// moment recovers up to its last fragment.
TEST_F(RecordCommandTest, AKilledRecordingRecoversUpToItsLastFragment) {
    QRandomGenerator random(QRandomGenerator::global()->generate());
    for (int run = 0; run < 3; ++run) {
        QString recordingFolder;
        const auto process = startRecording(
            {"--display", "0", "--folder", QStringLiteral("killed%1").arg(run)}, &recordingFolder);
        ASSERT_FALSE(recordingFolder.isEmpty());
        QElapsedTimer recorded;
        recorded.start();
        const int waitMs = 1500 + int(random.bounded(2500));
        SCOPED_TRACE(waitMs);
        QThread::msleep(waitMs);
        process->kill();
        process->waitForFinished(5000);
        const qint64 recordedUs = recorded.elapsed() * 1000;

        const test::Result r = lumbex({"recording", "recover", recordingFolder, "--json"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const RecordingJournal journal = RecordingJournal::decode(r.out.toUtf8());
        EXPECT_GE(journal.recording.duration(), recordedUs - 2 * kSecond);
        EXPECT_EQ(journal.recording.recovery, RecordingRecovery::Partial);
        for (const RecordingSegment& segment : journal.recording.segments)
            EXPECT_NO_THROW(
                RecordingFiles::verify(recordingFolder + u'/' + segment.filename(), segment));
    }
}

TEST_F(RecordCommandTest, FailuresSayWhatHappenedAndKeepTheFolder) {
    const test::ShownTestWindow window(display, QRect(50, 50, 200, 150), Qt::darkGreen,
                                       QStringLiteral("Closing"));
    ASSERT_NE(window.id(), 0u);
    QString recordingFolder;
    const auto process = startRecording(
        {"--window", QString::number(window.id()), "--folder", "closed"}, &recordingFolder);
    QThread::msleep(1200);
    ASSERT_TRUE(display.run(QStringLiteral("xdotool"),
                            {QStringLiteral("windowkill"), QString::number(window.id())}));
    ASSERT_TRUE(process->waitForFinished(20000));
    EXPECT_EQ(process->exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process->readAllStandardError())
                    .contains(u"The selected window is no longer available."));
    const RecordingJournal journal =
        RecordingJournal::decode(test::fileBytes(recordingFolder + "/recording.json"));
    EXPECT_EQ(journal.issue, QStringLiteral("The selected window is no longer available."));
    EXPECT_EQ(journal.recording.segments.size(), 1u) << "what was recorded is kept";

    const struct {
        QStringList args;
        QString message;
        int exitCode;
    } rows[] = {
        {{"--area", "600,400,100,100"}, "is not within the screens", 1},
        {{"--display", "0", "--folder", "closed"}, "is not an empty folder", 1},
        {{"--display", "0", "--seconds", "0"}, "--seconds takes", 2},
        {{"--display", "0", "--longest-side", "1"}, "--longest-side takes", 2},
        {{"--display", "0", "--note", "a", "--folder", "b"}, "either --note", 2},
        {{"--seconds", "1"}, "choose one of", 2},
    };
    for (const auto& row : rows) {
        const test::Result r = lumbex(QStringList{"record"} + row.args);
        EXPECT_EQ(r.exitCode, row.exitCode) << row.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(row.message)) << r.err.toStdString();
    }
}

// A disk that fills up during the recording ends it with the system's reason; what reached the
// disk before stays recoverable.
TEST_F(RecordCommandTest, AFullDiskEndsTheRecordingAndKeepsWhatWasWritten) {
    QProcess animation;
    animation.setProcessEnvironment(display.environment());
    animation.start(QStringLiteral(LUMBEX_TEST_ANIMATION), {"0", "0", "640", "480", "30"});
    ASSERT_TRUE(animation.waitForReadyRead(10000)) << "the animation did not start";
    QTemporaryDir small;
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), folder.path(QStringLiteral("data")));
    env.insert(QStringLiteral("LUMBEX"), QStringLiteral(LUMBEX_BINARY));
    shell.setProcessEnvironment(env);
    shell.start(QStringLiteral("/bin/sh"),
                {"-c", QStringLiteral("unshare -m sh -c 'mount -t tmpfs -o size=400k tmpfs %1 || "
                                      "exit 77; \"$LUMBEX\" record --display 0 --folder %1/rec "
                                      "--seconds 30 2>&1; code=$?; \"$LUMBEX\" recording recover "
                                      "%1/rec; exit $code'")
                           .arg(small.path())});
    ASSERT_TRUE(shell.waitForFinished(60000));
    animation.kill();
    animation.waitForFinished(3000);
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    if (shell.exitCode() == 77)
        GTEST_SKIP() << "mounting a file system is not permitted here";
    EXPECT_EQ(shell.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(
        QStringLiteral("Could not write “[0-9A-F-]{36}\\.mov”: No space left on device\\."))))
        << out.toStdString();
    EXPECT_TRUE(out.contains(u"recovery partial")) << out.toStdString();
}

TEST_F(RecordCommandTest, WithoutADisplayNothingIsRecorded) {
    qputenv("DISPLAY", ":99999");
    const test::Result r = lumbex({"record", "--display", "0", "--folder", "none"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder.path("none")));
}

} // namespace
} // namespace lumbex
