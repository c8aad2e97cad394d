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
    start(3);
    EXPECT_TRUE(panel_.isVisible());
    advanceTo(5001);
    EXPECT_EQ(panel_.text(), QStringLiteral("Capturing in 3…"));
    advanceTo(7999);
    EXPECT_EQ(panel_.text(), QStringLiteral("Capturing in 1…"));
    EXPECT_TRUE(results_.empty());
    advanceTo(8000);
    EXPECT_EQ(results_, std::vector<bool>{true});
    EXPECT_FALSE(panel_.isVisible());
    advanceTo(20000);
    EXPECT_EQ(results_, std::vector<bool>{true});
}

TEST_F(CountdownPanelTest, CancelButtonReportsFailureOnceAndTheOwnerCancelsSilently) {
    start(5);
    auto* cancelButton = panel_.findChild<QPushButton*>();
    ASSERT_TRUE(cancelButton);
    QTest::mouseClick(cancelButton, Qt::LeftButton);
    EXPECT_EQ(results_, std::vector<bool>{false});
    EXPECT_FALSE(panel_.isVisible());

    results_.clear();
    start(2);
    panel_.cancel();
    EXPECT_FALSE(panel_.isVisible());
    advanceTo(20000);
    EXPECT_TRUE(results_.empty());
}

} // namespace
} // namespace lumbex
