#include "recording/recording_export_choice.h"
#include "recording/segment_folder.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Format = RecordingExportFormat;

TEST(RecordingExportSummary, NamesTheSizeRateAndSound) {
    test::SegmentFolder silent;
    silent.addSegment(Qt::red, 2);
    test::SegmentFolder loud;
    loud.addSegment(Qt::red, 2, {RecordingAudio::System});
    loud.recording().trim = RecordingRange{0, 1'250'000};
    const struct {
        test::SegmentFolder* segments;
        RecordingExportChoice choice;
        const char* summary;
    } cases[] = {
        {&silent, {Format::MP4, std::nullopt, {}}, "160 × 120 px · 30 fps\nNo audio"},
        {&loud, {Format::MP4, 80, {}}, "80 × 60 px · 30 fps"},
        {&loud, {Format::MP4, 1920, {}}, "160 × 120 px · 30 fps"},
        {&loud, {Format::GIF, 75, {10, true}}, "75 × 56 px · 10 fps · 13 frames · Loops\nNo audio"},
        {&silent,
         {Format::GIF, 75, {2, false}},
         "75 × 56 px · 2 fps · 4 frames · Plays once\nNo audio"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        const RecordingComposition composition = composeRecordingExport(
            c.segments->recording(), c.segments->path(), c.choice, openSegmentPictures);
        EXPECT_EQ(recordingExportSummary(composition, c.choice), c.summary);
    }
}

TEST(RecordingExportSummary, WarnsOfAGIFLongerThanThirtySeconds) {
    test::SegmentFolder segments;
    segments.addSegment(Qt::blue, 32, {}, {16, 12});
    const RecordingExportChoice gif{Format::GIF, std::nullopt, {5, true}};
    const RecordingExportChoice mp4{Format::MP4, std::nullopt, {}};
    const QString warning = "\nLong GIF. Trim to a shorter range or choose MP4.";
    const struct {
        qint64 seconds;
        RecordingExportChoice choice;
        bool warned;
    } cases[] = {{31, gif, true}, {30, gif, false}, {31, mp4, false}, {29, gif, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        segments.recording().trim = RecordingRange{0, c.seconds * 1'000'000};
        const RecordingComposition composition = composeRecordingExport(
            segments.recording(), segments.path(), c.choice, openSegmentPictures);
        const QString summary = recordingExportSummary(composition, c.choice);
        EXPECT_EQ(summary.endsWith(warning), c.warned) << summary.toStdString();
    }
    // Just past thirty seconds is long.
    segments.recording().trim = RecordingRange{0, 30'000'001};
    EXPECT_TRUE(recordingExportSummary(composeRecordingExport(segments.recording(), segments.path(),
                                                              gif, openSegmentPictures),
                                       gif)
                    .endsWith(warning));
}

TEST(RecordingExportEstimate, SaysWhatHappensToTheSound) {
    test::SegmentFolder silent;
    silent.addSegment(Qt::red, 1);
    test::SegmentFolder loud;
    loud.addSegment(Qt::red, 1, {RecordingAudio::Microphone});
    const auto compose = [](const test::SegmentFolder& segments) {
        return composeRecordingExport(segments.recording(), segments.path(), {},
                                      openSegmentPictures);
    };
    EXPECT_EQ(recordingEstimateText(1'500'000, compose(loud), Format::MP4),
              "Estimated 1.43 MiB · Audio included");
    EXPECT_EQ(recordingEstimateText(2048, compose(silent), Format::MP4),
              "Estimated 2.00 KiB · Audio unavailable");
    EXPECT_EQ(recordingEstimateText(2048, compose(loud), Format::GIF), "Estimated 2.00 KiB");
    EXPECT_EQ(recordingEstimateBasis(Format::MP4),
              "Based on the output settings. Static recordings can be much smaller.");
    EXPECT_EQ(recordingEstimateBasis(Format::GIF),
              "Based on up to five sampled frames. Motion and colors can change the actual file "
              "size.");
}

} // namespace
} // namespace lumbex
