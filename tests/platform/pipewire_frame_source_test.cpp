#include "platform/pipewire_frame_source.h"
#include "support/frame_collector.h"
#include "support/pipewire_server.h"
#include "support/test_images.h"

#include <QPainter>
#include <QThread>
#include <gtest/gtest.h>
#include <spa/param/video/raw.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumbex {
namespace {

using test::quarters;

using Collector = test::SampleCollector<VideoSample>;

const QString changed = QStringLiteral("The selected recording source changed. Choose it again.");
const QString stopped = QStringLiteral(
    "The screen sharing stopped, so the recording ended. Start a new recording to continue.");

class PipeWireFrameSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::PipeWireServer::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        server = std::make_unique<test::PipeWireServer>();
        ASSERT_TRUE(server->missing().isEmpty()) << server->missing().toStdString();
    }

    // A node of `format` and `size`, and a started source reading it.
    void open(int format, QSize size, std::optional<QRect> area = {}) {
        producer = std::make_unique<test::PipeWireVideoProducer>(*server, format, size);
        ASSERT_NE(producer->node(), 0u);
        source = openPipeWireFrameSource({server->connect(), producer->node(), size, area});
        source->start(collector->deliver(), collector->failed());
        ASSERT_TRUE(producer->waitUntilStreaming(10000)) << "the source was not linked";
    }

    bool waitForPictures(size_t count, int ms = 5000) {
        return collector->waitFor([&](const auto& samples) { return samples.size() >= count; }, ms);
    }

    std::unique_ptr<test::PipeWireServer> server;
    std::unique_ptr<test::PipeWireVideoProducer> producer;
    std::unique_ptr<Collector> collector = std::make_unique<Collector>();
    std::unique_ptr<ScreenFrameSource> source;
};

TEST_F(PipeWireFrameSourceTest, EveryOfferedLayoutArrivesInBlueGreenRedOrder) {
    const QImage sent = quarters(QSize(64, 48));
    for (const int format : {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_BGRA,
                             SPA_VIDEO_FORMAT_RGBA}) {
        SCOPED_TRACE(format);
        collector = std::make_unique<Collector>();
        open(format, sent.size());
        producer->send(sent);
        ASSERT_TRUE(waitForPictures(1));
        const VideoSample sample = collector->samples().front();
        EXPECT_EQ(sample.image.format(), QImage::Format_RGB32);
        ASSERT_EQ(sample.image.size(), sent.size());
        for (const QPoint at : {QPoint(5, 5), QPoint(60, 5), QPoint(5, 40), QPoint(60, 40)})
            EXPECT_EQ(QColor(sample.image.pixel(at)), QColor(sent.pixel(at)))
                << at.x() << "," << at.y();
        source->stop();
        source.reset();
        producer.reset();
    }
}

TEST_F(PipeWireFrameSourceTest, TheAreaAndTheCropAreCutOut) {
    const QImage sent = quarters(QSize(64, 48));
    // The area is in the granted picture; the server's crop moves it.
    open(SPA_VIDEO_FORMAT_BGRx, sent.size(), QRect(24, 16, 16, 16));
    producer->send(sent);
    ASSERT_TRUE(waitForPictures(1));
    EXPECT_EQ(collector->samples().back().image, sent.copy(24, 16, 16, 16));

    QThread::msleep(50);
    producer->send(sent, false, QRect(8, 8, 48, 32));
    ASSERT_TRUE(waitForPictures(2));
    EXPECT_EQ(collector->samples().back().image, sent.copy(32, 24, 16, 16));
}

TEST_F(PipeWireFrameSourceTest, CorruptedPicturesAreSkipped) {
    open(SPA_VIDEO_FORMAT_BGRx, QSize(32, 32));
    producer->send(quarters(QSize(32, 32), 10), true);
    QThread::msleep(200);
    EXPECT_TRUE(collector->samples().empty());
    producer->send(quarters(QSize(32, 32), 20));
    ASSERT_TRUE(waitForPictures(1));
    EXPECT_EQ(collector->samples().front().image, quarters(QSize(32, 32), 20));
}

TEST_F(PipeWireFrameSourceTest, AtMostThirtyPicturesASecondAndTheLastOneIsKept) {
    open(SPA_VIDEO_FORMAT_BGRx, QSize(32, 32));
    const qint64 began = hostClockMicroseconds();
    for (int i = 0; i < 40; ++i) {
        producer->send(quarters(QSize(32, 32), i * 5));
        QThread::msleep(5);
    }
    const qint64 ended = hostClockMicroseconds();
    // The last picture waits for the next tick rather than being lost.
    ASSERT_TRUE(collector->waitFor(
        [](const auto& samples) {
            return !samples.empty() && samples.back().image == quarters(QSize(32, 32), 39 * 5);
        },
        2000));
    const std::vector<VideoSample> samples = collector->samples();
    // Pictures go out on ticks 1/30 s apart from the first one; a tick that fires late makes the
    // gap to the next one shorter, never the count since the first larger.
    for (size_t i = 1; i < samples.size(); ++i)
        EXPECT_GE(samples[i].time - samples.front().time, qint64(i) * 1'000'000 / 30) << i;
    const qint64 spanUs = ended - began + kRecordingFrameMicroseconds;
    EXPECT_LE(qint64(samples.size()), spanUs * 30 / 1'000'000 + 2);
    EXPECT_GE(samples.front().time, began);
}

TEST_F(PipeWireFrameSourceTest, ANewSizeMeansTheSourceChanged) {
    open(SPA_VIDEO_FORMAT_BGRx, QSize(32, 32));
    producer->send(quarters(QSize(32, 32)));
    ASSERT_TRUE(waitForPictures(1));
    producer->resize(QSize(48, 32));
    ASSERT_TRUE(collector->waitForFailure(5000));
    EXPECT_EQ(collector->failures(), std::vector<QString>{changed});
}

TEST_F(PipeWireFrameSourceTest, ANodeThatGoesAwayStopsTheSource) {
    open(SPA_VIDEO_FORMAT_BGRx, QSize(32, 32));
    producer->send(quarters(QSize(32, 32)));
    ASSERT_TRUE(waitForPictures(1));
    producer->close();
    ASSERT_TRUE(collector->waitForFailure(5000));
    // Reported once, however many ways the loss shows.
    QThread::msleep(200);
    EXPECT_EQ(collector->failures(), std::vector<QString>{stopped});
    source->stop();
    EXPECT_EQ(collector->failures().size(), 1u);
}

TEST_F(PipeWireFrameSourceTest, NoServerNoStart) {
    int sockets[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets), 0);
    ::close(sockets[1]);
    source = openPipeWireFrameSource({sockets[0], 42, QSize(32, 32), {}});
    // A connection that is closed at the other end fails at once or soon after.
    try {
        source->start(collector->deliver(), collector->failed());
        EXPECT_TRUE(collector->waitForFailure(5000));
        EXPECT_EQ(collector->failures().front(), stopped);
    } catch (const LumbexError& error) {
        EXPECT_TRUE(error.message().contains(u"PipeWire")) << error.message().toStdString();
    }
    source->stop();
}

} // namespace
} // namespace lumbex
