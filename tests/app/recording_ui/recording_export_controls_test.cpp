#include "app/recording_ui/recording_export_controls.h"
#include "platform/recording_export.h"
#include "platform/segment_sound.h"
#include "recording/segment_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr int kWait = 20'000;

RecordingExportMedia platformMedia() {
    return {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes, readSegmentSound};
}

// Export controls for a recording of 32 s, with a destination chosen in a temporary folder.
class RecordingExportControlsTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::darkCyan, 32, {}, {64, 48});
        controls.setRecording(segments.recording(), segments.path());
        QObject::connect(&controls, &RecordingExportControls::statusChanged,
                         [this](const QString& text) { status = text; });
    }
    void choose(QComboBox* box, const QString& text) const {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
    }
    void trim(qint64 seconds) {
        segments.recording().trim = RecordingRange{0, seconds * 1'000'000};
        controls.setRecording(segments.recording(), segments.path());
    }
    void waitForEstimate() const {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return controls.estimate()->text() != "Estimating size…" &&
                       controls.summary()->text() != "…";
            },
            kWait));
    }

    test::SegmentFolder segments;
    test::TemporaryFolder output;
    QString destination = output.path("movie.mp4");
    QString status;
    RecordingExportControls controls{platformMedia(), openSegmentPictures,
                                     [this](RecordingExportFormat) { return destination; }};
};

TEST_F(RecordingExportControlsTest, GIFOptionsShowOnlyForGIF) {
    EXPECT_EQ(controls.format()->accessibleName(), "Recording export format");
    EXPECT_EQ(controls.outputSize()->accessibleName(), "Longest output side");
    EXPECT_EQ(controls.fps()->accessibleName(), "GIF frame rate");
    EXPECT_EQ(controls.loop()->text(), "Loop GIF");
    EXPECT_FALSE(controls.gifOptions()->isVisibleTo(&controls));
    choose(controls.format(), "GIF");
    EXPECT_TRUE(controls.gifOptions()->isVisibleTo(&controls));
    EXPECT_EQ(controls.outputSize()->currentText(), "960 px");
    EXPECT_EQ(controls.choice().format, RecordingExportFormat::GIF);
    choose(controls.format(), "MP4");
    EXPECT_FALSE(controls.gifOptions()->isVisibleTo(&controls));
}

TEST_F(RecordingExportControlsTest, ALongGIFIsWarnedAbout) {
    EXPECT_EQ(controls.summary()->objectName(), "recording.export.summary");
    EXPECT_EQ(controls.estimate()->objectName(), "recording.export.estimate");
    choose(controls.format(), "GIF");
    choose(controls.fps(), "2 fps");
    const QString warning = "\nLong GIF. Trim to a shorter range or choose MP4.";
    trim(31);
    waitForEstimate();
    EXPECT_EQ(controls.summary()->text(),
              "64 × 48 px · 2 fps · 62 frames · Loops\nNo audio" + warning);
    trim(30);
    waitForEstimate();
    EXPECT_EQ(controls.summary()->text(), "64 × 48 px · 2 fps · 60 frames · Loops\nNo audio");
    EXPECT_TRUE(controls.estimate()->text().startsWith("Estimated "))
        << controls.estimate()->text().toStdString();
    EXPECT_EQ(controls.basis()->text(), "Based on up to five sampled frames. Motion and colors can "
                                        "change the actual file size.");
}

TEST_F(RecordingExportControlsTest, AnUnknownEstimateSaysSo) {
    RecordingExportMedia media = platformMedia();
    media.estimateMP4 = [](const MP4ExportSettings&, const std::vector<QImage>&) {
        return std::optional<qint64>();
    };
    RecordingExportControls unknown(media, openSegmentPictures, {});
    unknown.setRecording(segments.recording(), segments.path());
    EXPECT_EQ(unknown.estimate()->text(), "Estimating size…");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return unknown.estimate()->text() == "Size estimate unavailable"; }, kWait));
    EXPECT_EQ(unknown.summary()->text(), "64 × 48 px · 30 fps\nNo audio");
}

TEST_F(RecordingExportControlsTest, ExportsToTheChosenFile) {
    trim(2);
    QSignalSpy busy(&controls, &RecordingExportControls::busyChanged);
    controls.exportButton()->click();
    EXPECT_EQ(status, "Exporting MP4…");
    EXPECT_TRUE(controls.cancelButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controls.isBusy(); }, kWait));
    EXPECT_EQ(status, "Exported movie.mp4");
    EXPECT_GT(QFile(destination).size(), 0);
    EXPECT_EQ(busy.count(), 2);

    destination = output.path("movie.gif");
    choose(controls.format(), "GIF");
    controls.exportButton()->click();
    EXPECT_EQ(status, "Exporting GIF · 0%");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controls.isBusy(); }, kWait));
    EXPECT_EQ(status, "Exported movie.gif");
    QFile gif(destination);
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_EQ(gif.read(6), "GIF89a");
}

TEST_F(RecordingExportControlsTest, CancellingKeepsTheFileAtTheDestination) {
    const QByteArray previous = "an earlier export";
    output.write("movie.mp4", previous);
    controls.exportButton()->click();
    controls.cancelButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controls.isBusy(); }, kWait));
    EXPECT_EQ(status, "Cancelled. Previous files are unchanged.");
    QFile file(destination);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), previous);
    EXPECT_FALSE(controls.cancelButton()->isEnabled());
}

TEST_F(RecordingExportControlsTest, NoDestinationNoExport) {
    destination.clear();
    controls.exportButton()->click();
    EXPECT_FALSE(controls.isBusy());
    EXPECT_TRUE(status.isEmpty());
}

} // namespace
} // namespace lumbex
