#include "model/note_fixtures.h"
#include "platform/movie_fixtures.h"
#include "platform/segment_pictures.h"
#include "recording/recording_composition.h"
#include "recording/recording_frame_stream.h"
#include "recording/segment_folder.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

bool looksLike(QRgb pixel, QColor colour) {
    return std::abs(qRed(pixel) - colour.red()) < 40 &&
           std::abs(qGreen(pixel) - colour.green()) < 40 &&
           std::abs(qBlue(pixel) - colour.blue()) < 40;
}

using test::SegmentFolder;

class RecordingCompositionTest : public testing::Test {
protected:
    // Red, green and blue segments of one second each.
    void SetUp() override {
        segments.addSegment(Qt::red, 1);
        segments.addSegment(Qt::green, 1);
        segments.addSegment(Qt::blue, 1);
    }

    SegmentFolder segments;
};

TEST_F(RecordingCompositionTest, ATrimAcrossSegmentsShowsEachSegmentsPicture) {
    const qint64 greenStart = segments.segmentStart(1);
    const qint64 blueStart = segments.segmentStart(2);
    segments.recording().trim = RecordingRange{500'000, blueStart + 500'000};
    const RecordingComposition composition = segments.compose();
    ASSERT_EQ(composition.pieces().size(), 3u);
    EXPECT_EQ(composition.size().width, 160);
    EXPECT_EQ(composition.duration(), blueStart);

    const struct {
        qint64 outputTime;
        size_t segment;
        qint64 offset; // inside the segment
    } places[] = {{0, 0, 500'000},
                  {greenStart - 500'001, 0, greenStart - 1},
                  {greenStart - 500'000, 1, 0},
                  {blueStart - 1, 2, 499'999}};
    for (const auto& p : places) {
        SCOPED_TRACE(p.outputTime);
        const std::optional<CompositionPlace> place = composition.placeAt(p.outputTime);
        ASSERT_TRUE(place);
        EXPECT_EQ(place->piece->segmentIndex, p.segment);
        EXPECT_EQ(place->piece->file, segments.segmentFile(p.segment));
        EXPECT_EQ(place->fileTime, segments.recording().segments[p.segment].sourceStart + p.offset);
    }
    EXPECT_FALSE(composition.placeAt(-1));
    EXPECT_FALSE(composition.placeAt(blueStart));

    const struct {
        qint64 sourceTime;
        QColor colour;
    } stills[] = {{500'000, Qt::red},
                  {greenStart - 1, Qt::red},
                  {greenStart, Qt::green},
                  {blueStart + 100'000, Qt::blue},
                  {blueStart + 499'999, Qt::blue}};
    for (const auto& s : stills) {
        SCOPED_TRACE(s.sourceTime);
        const ComposedFrame frame = composition.frameAt(s.sourceTime);
        EXPECT_EQ(frame.outputTime, s.sourceTime - 500'000);
        const QImage image = frame.render();
        ASSERT_EQ(image.size(), QSize(160, 120));
        EXPECT_TRUE(looksLike(image.pixel(80, 60), s.colour));
    }
    for (const qint64 outside : {qint64(0), qint64(499'999), blueStart + 500'000})
        EXPECT_EQ(test::thrownMessage([&] { composition.frameAt(outside); }),
                  "That frame is outside the selected recording range.");
}

TEST_F(RecordingCompositionTest, LeavesOutSegmentsOutsideTheSelectedRange) {
    segments.recording().trim =
        RecordingRange{segments.segmentStart(1) + 100'000, segments.segmentStart(2) - 100'000};
    const RecordingComposition composition = segments.compose();
    ASSERT_EQ(composition.pieces().size(), 1u);
    EXPECT_EQ(composition.pieces()[0].segmentIndex, 1u);
    EXPECT_EQ(composition.pieces()[0].file, segments.segmentFile(1));
}

TEST_F(RecordingCompositionTest, StreamsEverySourceFrameInOrderAcrossSegments) {
    const qint64 greenStart = segments.segmentStart(1);
    const qint64 blueStart = segments.segmentStart(2);
    segments.recording().trim = RecordingRange{550'000, blueStart + 450'000};
    const RecordingComposition composition = segments.compose(80);
    RecordingFrameStream stream(composition);
    std::vector<ComposedFrame> frames;
    while (std::optional<ComposedFrame> frame = stream.next())
        frames.push_back(std::move(*frame));

    // Pictures change every 100 ms; each segment starts with the picture on screen at its start.
    ASSERT_GE(frames.size(), 20u);
    EXPECT_EQ(frames.front().outputTime, 0);
    EXPECT_EQ(frames.front().sourceTime, 550'000);
    qint64 previous = -1;
    for (const ComposedFrame& frame : frames) {
        SCOPED_TRACE(frame.sourceTime);
        EXPECT_GT(frame.outputTime, previous);
        EXPECT_LT(frame.outputTime, composition.duration());
        previous = frame.outputTime;
        const QImage image = frame.render();
        ASSERT_EQ(image.size(), QSize(80, 60));
        const QColor expected = frame.sourceTime < greenStart  ? QColor(Qt::red)
                                : frame.sourceTime < blueStart ? QColor(Qt::green)
                                                               : QColor(Qt::blue);
        EXPECT_TRUE(looksLike(image.pixel(40, 30), expected));
    }
    const auto startsAt = [&](qint64 time) {
        return std::any_of(frames.begin(), frames.end(),
                           [&](const ComposedFrame& f) { return f.sourceTime == time; });
    };
    EXPECT_TRUE(startsAt(greenStart));
    EXPECT_TRUE(startsAt(blueStart));
}

// Every picture of a stream, rendered, by source time.
std::vector<std::pair<qint64, QImage>> streamed(const RecordingComposition& composition,
                                                qint64 outputStart) {
    RecordingFrameStream stream(composition, outputStart);
    std::vector<std::pair<qint64, QImage>> frames;
    while (std::optional<ComposedFrame> frame = stream.next()) {
        EXPECT_EQ(frame->outputTime,
                  frame->sourceTime - composition.recording().selectedRange().start);
        frames.emplace_back(frame->sourceTime, frame->render());
    }
    return frames;
}

// A stream started at an output time shows the picture on screen then, as a still would, and
// continues with the same pictures as a stream from the start.
void expectStreamFrom(const RecordingComposition& composition, qint64 outputStart) {
    SCOPED_TRACE(outputStart);
    const qint64 rangeStart = composition.recording().selectedRange().start;
    const std::vector<std::pair<qint64, QImage>> whole = streamed(composition, 0);
    const std::vector<std::pair<qint64, QImage>> from = streamed(composition, outputStart);
    ASSERT_FALSE(from.empty());
    EXPECT_EQ(from.front().first, rangeStart + outputStart);
    EXPECT_EQ(from.front().second, composition.frameAt(rangeStart + outputStart).render());
    std::vector<std::pair<qint64, QImage>> later;
    for (const auto& frame : whole)
        if (frame.first > rangeStart + outputStart)
            later.push_back(frame);
    ASSERT_EQ(from.size(), later.size() + 1);
    for (size_t i = 0; i < later.size(); ++i) {
        SCOPED_TRACE(later[i].first);
        EXPECT_EQ(from[i + 1].first, later[i].first);
        EXPECT_EQ(from[i + 1].second, later[i].second);
    }
}

TEST_F(RecordingCompositionTest, AStreamStartsAtAnyOutputTime) {
    const qint64 greenStart = segments.segmentStart(1);
    const qint64 blueStart = segments.segmentStart(2);
    segments.recording().trim = RecordingRange{250'000, blueStart + 450'000};
    const RecordingComposition composition = segments.compose(80);
    const qint64 starts[] = {0,
                             1,
                             350'000, // exactly on a picture
                             425'000, // between pictures
                             greenStart - 250'000,
                             greenStart - 250'001,
                             blueStart - 250'000 + 120'000,
                             composition.duration() - 1};
    for (const qint64 start : starts)
        expectStreamFrom(composition, start);
    for (const qint64 outside : {qint64(-1), composition.duration()})
        EXPECT_FALSE(RecordingFrameStream(composition, outside).next());
}

TEST_F(RecordingCompositionTest, RefusesASegmentFileChangedOnDisk) {
    QFile file(segments.segmentFile(1));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(file.size() / 2));
    const char byte = file.peek(1).at(0);
    file.write(QByteArray(1, char(byte ^ 0x5A)));
    file.close();
    EXPECT_EQ(test::thrownMessage([&] { segments.compose(); }),
              "A recording segment is missing or damaged. The original note has been kept.");

    // A trim that leaves out the changed segment never reads it.
    segments.recording().trim = RecordingRange{0, segments.segmentStart(1)};
    EXPECT_NO_THROW(segments.compose());
}

TEST_F(RecordingCompositionTest, RefusesASegmentWithoutVideo) {
    const SegmentPicturesOpener noVideo = [](const QString&) {
        return std::unique_ptr<SegmentPictures>();
    };
    EXPECT_EQ(test::thrownMessage([&] {
                  RecordingComposition::make(segments.recording(), segments.path(), std::nullopt,
                                             true, noVideo);
              }),
              "A recording segment has no video.");
}

TEST_F(RecordingCompositionTest, RefusesAnInvalidRecording) {
    segments.recording().trim = RecordingRange{0, 999};
    EXPECT_EQ(test::thrownMessage([&] { segments.compose(); }), "Choose a valid recording range.");
}

TEST(RecordingComposition, PlacesTheAudioKindsRecordedAndNotMuted) {
    SegmentFolder segments;
    segments.addSegment(Qt::red, 1, {RecordingAudio::System});
    segments.addSegment(Qt::red, 1, {RecordingAudio::System, RecordingAudio::Microphone});
    using Kinds = std::vector<RecordingAudio>;
    const struct {
        bool muteSystem, muteMicrophone;
        Kinds first, second;
    } cases[] = {
        {false,
         false,
         {RecordingAudio::System},
         {RecordingAudio::System, RecordingAudio::Microphone}},
        {true, false, {}, {RecordingAudio::Microphone}},
        {false, true, {RecordingAudio::System}, {RecordingAudio::System}},
        {true, true, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.muteSystem << c.muteMicrophone);
        segments.recording().muteSystem = c.muteSystem;
        segments.recording().muteMicrophone = c.muteMicrophone;
        const RecordingComposition composition = segments.compose();
        ASSERT_EQ(composition.pieces().size(), 2u);
        EXPECT_EQ(composition.pieces()[0].audio, c.first);
        EXPECT_EQ(composition.pieces()[1].audio, c.second);
        EXPECT_EQ(composition.hasAudio(), !c.first.empty() || !c.second.empty());
    }
    // Muting the only kind a recording has leaves it without sound.
    segments.recording().trim = RecordingRange{0, segments.segmentStart(1)};
    segments.recording().muteSystem = true;
    segments.recording().muteMicrophone = false;
    EXPECT_FALSE(segments.compose().hasAudio());
}

// Five seconds of white pictures under two redactions.
class RedactionTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::white, 5);
        segments.recording().redactions.push_back(
            {newId(), {2'000'000, 4'000'000}, {32, 32, 64, 48}});
        // Starts between two pictures (2.1 and 2.2 s).
        segments.recording().redactions.push_back(
            {newId(), {2'150'000, 2'250'000}, {112, 16, 32, 32}});
    }
    SegmentFolder segments;
};

TEST_F(RedactionTest, StillsAreBlackedOutWhileARedactionIsActive) {
    const RecordingComposition composition = segments.compose();
    const struct {
        qint64 time;
        bool covered;
    } cases[] = {{1'999'999, false}, {2'000'000, true}, {3'999'999, true}, {4'000'000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        const QImage frame = composition.frameAt(c.time).render();
        EXPECT_EQ(looksLike(frame.pixel(64, 56), Qt::black), c.covered);
        EXPECT_TRUE(looksLike(frame.pixel(20, 56), Qt::white));
    }
}

TEST_F(RedactionTest, TheStreamRepeatsAPictureWhenARedactionStartsOrEnds) {
    const RecordingComposition composition = segments.compose();
    RecordingFrameStream stream(composition);
    std::map<qint64, QImage> frames;
    while (std::optional<ComposedFrame> frame = stream.next())
        frames.emplace(frame->sourceTime, frame->render());
    for (const qint64 time : {2'100'000, 2'150'000, 2'200'000, 2'250'000}) {
        SCOPED_TRACE(time);
        ASSERT_TRUE(frames.contains(time));
        const bool active = time >= 2'150'000 && time < 2'250'000;
        EXPECT_EQ(looksLike(frames[time].pixel(128, 32), Qt::black), active);
        EXPECT_TRUE(looksLike(frames[time].pixel(64, 56), Qt::black));
    }
    EXPECT_TRUE(looksLike(frames.at(1'900'000).pixel(64, 56), Qt::white));
    EXPECT_TRUE(looksLike(frames.at(4'000'000).pixel(64, 56), Qt::white));
}

TEST_F(RedactionTest, AStreamStartedInsideARedactionRepeatsAtItsEnd) {
    const RecordingComposition composition = segments.compose();
    for (const qint64 start : {2'160'000, 2'250'000, 3'990'000})
        expectStreamFrom(composition, start);
}

} // namespace
} // namespace lumbex
