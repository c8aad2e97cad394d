#include "app/recording_ui/recording_player_panel.h"
#include "recording/segment_folder.h"
#include "records/recording_time.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr int kWait = 10'000;

// A wide two-second recording, trimmed to 0.5–1.5 s.
class RecordingPlayerPanelTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::yellow, 2, {}, {320, 120});
        segments.recording().trim = RecordingRange{500'000, 1'500'000};
        panel.player().load(std::make_shared<RecordingComposition>(segments.compose()));
        panel.resize(400, 400);
    }

    test::SegmentFolder segments;
    RecordingPlayerPanel panel;
};

TEST_F(RecordingPlayerPanelTest, TheSliderSeeksAndTheClockShowsTheSourceTime) {
    EXPECT_EQ(panel.slider()->maximum(), 1000);
    EXPECT_EQ(panel.clock()->text(), "00:00.500");
    panel.slider()->setSliderDown(true);
    panel.slider()->setSliderPosition(700);
    panel.slider()->setSliderDown(false);
    EXPECT_EQ(panel.player().position(), 700'000);
    EXPECT_EQ(panel.clock()->text(), recordingTimeLabel(1'200'000));
    EXPECT_EQ(panel.clock()->text(), "00:01.200");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.player().picture().isNull(); }, kWait));
    EXPECT_EQ(panel.player().frame().sourceTime, 1'200'000);
}

TEST_F(RecordingPlayerPanelTest, PlayTogglesWithPause) {
    EXPECT_EQ(panel.playButton()->text(), "Play");
    panel.playButton()->click();
    EXPECT_TRUE(panel.player().isPlaying());
    EXPECT_EQ(panel.playButton()->text(), "Pause");
    panel.playButton()->click();
    EXPECT_FALSE(panel.player().isPlaying());
    EXPECT_EQ(panel.playButton()->text(), "Play");
}

TEST_F(RecordingPlayerPanelTest, ThePictureFitsTheViewAtItsOwnShape) {
    panel.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.player().picture().isNull(); }, kWait));
    const QRectF drawn = panel.video()->pictureRect();
    const QSize view = panel.video()->size();
    EXPECT_DOUBLE_EQ(drawn.width(), view.width());
    EXPECT_NEAR(drawn.height(), view.width() * 120.0 / 320.0, 0.01);
    EXPECT_NEAR(drawn.center().y(), view.height() / 2.0, 0.01);
    const QImage grabbed = panel.video()->grab().toImage();
    const QPoint middle = drawn.center().toPoint();
    EXPECT_EQ(QColor(grabbed.pixel(middle)).hue(), QColor(Qt::yellow).hue());
    EXPECT_EQ(grabbed.pixel(middle.x(), 1), qRgb(0, 0, 0));
}

TEST(RecordingPlayerPanel, WithoutARecordingNothingCanBePlayed) {
    RecordingPlayerPanel panel;
    EXPECT_FALSE(panel.playButton()->isEnabled());
    EXPECT_FALSE(panel.slider()->isEnabled());
    EXPECT_EQ(panel.clock()->text(), "00:00.000");
    EXPECT_TRUE(panel.video()->pictureRect().isEmpty());
}

} // namespace
} // namespace lumbex
