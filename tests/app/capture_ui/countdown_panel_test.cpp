#include "app/capture_ui/countdown_panel.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class CountdownPanelTest : public ::testing::Test {
protected:
    // Lets the panel's 0.1 s timer see the clock's new time.
    void advanceTo(qint64 ms) {
        now_ = ms;
        QTest::qWait(130);
    }
    void start(int seconds) {
        panel_.start(seconds, [this](bool finished) { results_.push_back(finished); });
    }

    qint64 now_ = 5000;
    CountdownPanel panel_{CountdownPanel::Purpose::Capture, [this] { return now_; }};
    std::vector<bool> results_;
};

TEST_F(CountdownPanelTest, CountsWholeSecondsDownAndFinishesOnce) {
    EXPECT_EQ(panel_.windowTitle(), QStringLiteral("Timed Capture"));
    start(3);
    EXPECT_TRUE(panel_.isVisible());
    const std::vector<std::pair<qint64, QString>> steps = {
        {5001, QStringLiteral("Capturing in 3…")},
        {6000, QStringLiteral("Capturing in 2…")},
        {7999, QStringLiteral("Capturing in 1…")},
    };
    for (const auto& [time, text] : steps) {
        advanceTo(time);
        EXPECT_EQ(panel_.text(), text) << time;
        EXPECT_TRUE(results_.empty());
    }
    advanceTo(8000);
    EXPECT_EQ(panel_.text(), QStringLiteral("Capturing in 0…"));
    EXPECT_EQ(results_, std::vector<bool>{true});
    EXPECT_FALSE(panel_.isVisible());
    advanceTo(20000);
    EXPECT_EQ(results_, std::vector<bool>{true});
}

TEST_F(CountdownPanelTest, ZeroSecondsStillCountsOneSecond) {
    start(0);
    EXPECT_EQ(panel_.text(), QStringLiteral("Capturing in 1…"));
    advanceTo(5999);
    EXPECT_TRUE(results_.empty());
    advanceTo(6000);
    EXPECT_EQ(results_, std::vector<bool>{true});
}

TEST_F(CountdownPanelTest, CancelButtonReportsFailureOnce) {
    start(5);
    auto* cancelButton = panel_.findChild<QPushButton*>();
    ASSERT_TRUE(cancelButton);
    EXPECT_EQ(cancelButton->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(cancelButton, Qt::LeftButton);
    EXPECT_EQ(results_, std::vector<bool>{false});
    EXPECT_FALSE(panel_.isVisible());
    advanceTo(20000);
    EXPECT_EQ(results_, std::vector<bool>{false});
}

TEST_F(CountdownPanelTest, CancelByTheOwnerReportsNothing) {
    start(2);
    panel_.cancel();
    EXPECT_FALSE(panel_.isVisible());
    advanceTo(20000);
    EXPECT_TRUE(results_.empty());
}

TEST(CountdownPanelRecording, SaysRecording) {
    qint64 now = 0;
    CountdownPanel panel(CountdownPanel::Purpose::Recording, [&] { return now; });
    panel.start(2, [](bool) {});
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("Start Recording"));
    EXPECT_EQ(panel.text(), QStringLiteral("Recording in 2…"));
    panel.cancel();
}

} // namespace
} // namespace lumbex
