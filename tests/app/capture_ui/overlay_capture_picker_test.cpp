#include "app/capture_ui/capture_picker_view.h"
#include "app/capture_ui/overlay_capture_picker.h"
#include "support/fake_screen_grabber.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Two displays side by side, 400 × 300 and 300 × 200, the left one main.
const std::vector<CaptureDisplay> kDisplays = {
    {QStringLiteral("A"), {0, 0, 400, 300}, {0, 0, 400, 300}, 1, 0, true},
    {QStringLiteral("B"), {400, 0, 300, 200}, {400, 0, 300, 200}, 1, 0, false},
};
const std::vector<CaptureWindow> kWindows = {
    {11, 100, QStringLiteral("Front"), {20, 20, 100, 80}},
    {12, 101, QStringLiteral("Back"), {10, 10, 300, 200}},
};

class OverlayCapturePickerTest : public ::testing::Test {
protected:
    void open(bool chooseWindow, std::optional<QString> restricted = std::nullopt) {
        picker_.open(kDisplays, kWindows, {chooseWindow, false, restricted},
                     [this](std::optional<CaptureSelection> selection) {
                         ++completions_;
                         result_ = std::move(selection);
                     });
    }
    CapturePickerView* view(size_t index) const {
        const std::vector<CapturePickerView*> views = picker_.views();
        return index < views.size() ? views[index] : nullptr;
    }
    std::optional<Rect> chosenArea() const {
        if (!result_ || !std::holds_alternative<CaptureRegion>(*result_))
            return std::nullopt;
        return std::get<CaptureRegion>(*result_).rect;
    }
    std::optional<quint32> chosenWindow() const {
        if (!result_ || !std::holds_alternative<CaptureWindow>(*result_))
            return std::nullopt;
        return std::get<CaptureWindow>(*result_).id;
    }

    test::FakeScreenGrabber screen_{test::positionCodedDesktop({700, 300})};
    QPoint pointer_{50, 50};
    int beeps_ = 0;
    OverlayCapturePicker picker_{{screen_, [this] { ++beeps_; }, [this] { return pointer_; }}};
    int completions_ = 0;
    std::optional<CaptureSelection> result_;
};

TEST_F(OverlayCapturePickerTest, CoversEachDisplayWithAFrozenGrabOfIt) {
    open(false);
    ASSERT_EQ(picker_.views().size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        CapturePickerView* overlay = view(i);
        EXPECT_TRUE(overlay->isVisible());
        const Rect& frame = kDisplays[i].cocoaFrame;
        EXPECT_EQ(overlay->geometry(),
                  QRect(int(frame.x), int(frame.y), int(frame.width), int(frame.height)));
        // Far from the pointer's readout box, the overlay shows the screen as it was.
        const QImage shown = overlay->grab().toImage();
        const QPoint probe(int(frame.width) - 5, int(frame.height) - 5);
        EXPECT_EQ(shown.pixel(probe), test::positionCode(int(frame.x) + probe.x(), probe.y()));
    }
}

TEST_F(OverlayCapturePickerTest, DragChoosesTheAreaAndShowsItsSizeWhileDragging) {
    open(false);
    CapturePickerView* left = view(0);
    QTest::mousePress(left, Qt::LeftButton, {}, {10, 20});
    QTest::mouseMove(left, {60, 40});
    QTest::mouseMove(left, {110, 70});
    EXPECT_TRUE(left->accessibleDescription().contains(QStringLiteral("100 × 50 pt")))
        << left->accessibleDescription().toStdString();
    EXPECT_EQ(completions_, 0);
    QTest::mouseRelease(left, Qt::LeftButton, {}, {110, 70});
    ASSERT_EQ(completions_, 1);
    EXPECT_EQ(chosenArea(), (Rect{10, 20, 100, 50}));
    EXPECT_FALSE(picker_.isOpen());
}

// On Wayland an output of scale 1 beside one of scale 2 shows its part of the desktop picture
// (drawn at scale 2) in half as many points: its view's points map to two desktop pixels each,
// also past its edge while a drag is held.
TEST_F(OverlayCapturePickerTest, AViewSmallerThanItsDisplayMapsItsPointsThroughTheScale) {
    open(false);
    CapturePickerView* left = view(0);
    left->resize(200, 150);
    QTest::mousePress(left, Qt::LeftButton, {}, {10, 20});
    QTest::mouseMove(left, {300, 50});
    EXPECT_TRUE(left->accessibleDescription().contains(QStringLiteral("580 × 60 pt")))
        << left->accessibleDescription().toStdString();
    QTest::mouseRelease(left, Qt::LeftButton, {}, {300, 50});
    ASSERT_EQ(completions_, 1);
    EXPECT_EQ(chosenArea(), (Rect{20, 40, 580, 60}));
}

TEST_F(OverlayCapturePickerTest, RestrictedPickerCoversOneDisplayAndClampsToIt) {
    open(false, QStringLiteral("B"));
    ASSERT_EQ(picker_.views().size(), 1u);
    CapturePickerView* right = view(0);
    EXPECT_EQ(right->display().id, QStringLiteral("B"));
    QTest::mousePress(right, Qt::LeftButton, {}, {100, 50});
    QTest::mouseRelease(right, Qt::LeftButton, {}, {500, 500});
    ASSERT_EQ(completions_, 1);
    EXPECT_EQ(chosenArea(), (Rect{500, 50, 200, 150}));

    completions_ = 0;
    open(false, QStringLiteral("missing"));
    EXPECT_EQ(completions_, 1) << "nothing to cover finishes at once";
    EXPECT_FALSE(result_.has_value());
}

TEST_F(OverlayCapturePickerTest, EscapeCancelsAndClosesEveryOverlay) {
    open(false);
    QTest::keyClick(view(1), Qt::Key_Escape);
    ASSERT_EQ(completions_, 1);
    EXPECT_FALSE(result_.has_value());
    QTest::qWait(0);
    EXPECT_TRUE(picker_.views().empty());
    picker_.cancel();
    EXPECT_EQ(completions_, 1);
}

TEST_F(OverlayCapturePickerTest, WindowModeHighlightsUnderThePointerAndClickChoosesIt) {
    open(true);
    CapturePickerView* left = view(0);
    QTest::mouseMove(left, {200, 150});
    EXPECT_TRUE(left->accessibleDescription().contains(QStringLiteral("Back\nClick a window")))
        << left->accessibleDescription().toStdString();
    QTest::mouseClick(left, Qt::LeftButton, {}, {50, 50});
    ASSERT_EQ(completions_, 1);
    EXPECT_EQ(chosenWindow(), 11u);
}

TEST_F(OverlayCapturePickerTest, TabAndShiftTabHighlightWindowsForReturnToChoose) {
    pointer_ = {390, 290}; // over no window
    const std::pair<Qt::Key, quint32> cases[] = {{Qt::Key_Tab, 11}, {Qt::Key_Backtab, 12}};
    for (const auto& [key, expected] : cases) {
        completions_ = 0;
        beeps_ = 0;
        open(true);
        QTest::keyClick(view(0), Qt::Key_Return);
        EXPECT_EQ(beeps_, 1) << "nothing is highlighted yet";
        QTest::keyClick(view(0), key);
        QTest::keyClick(view(0), Qt::Key_Return);
        ASSERT_EQ(completions_, 1);
        EXPECT_EQ(chosenWindow(), expected);
    }
}

TEST_F(OverlayCapturePickerTest, AChangeOfTheScreensCancels) {
    open(false);
    QScreen* screen = QGuiApplication::primaryScreen();
    emit screen->geometryChanged(screen->geometry());
    ASSERT_EQ(completions_, 1);
    EXPECT_FALSE(result_.has_value());
    EXPECT_FALSE(picker_.isOpen());

    // A later presentation no longer listens to the old one's screens twice.
    completions_ = 0;
    open(false);
    emit qGuiApp->screenAdded(screen);
    EXPECT_EQ(completions_, 1);
}

} // namespace
} // namespace lumbex
