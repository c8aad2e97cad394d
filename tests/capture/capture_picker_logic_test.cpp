#include "capture/capture_picker_logic.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

CapturePickerLogic::Options windowMode() {
    CapturePickerLogic::Options options;
    options.chooseWindow = true;
    return options;
}

using Key = CapturePickerLogic::Key;

// A 1920 × 1080 main display with a smaller one to its right.
std::vector<CaptureDisplay> twoDisplays() {
    const Rect left{0, 0, 1920, 1080}, right{1920, 0, 1280, 720};
    return {{QStringLiteral("A"), left, left, 1, 0, true},
            {QStringLiteral("B"), right, right, 1, 0, false}};
}

std::vector<CaptureWindow> twoWindows() {
    return {{7, 300, QStringLiteral("Editor · front"), {100, 100, 400, 300}},
            {9, 301, QStringLiteral("Terminal · back"), {300, 200, 600, 400}}};
}

class CapturePickerLogicTest : public ::testing::Test {
protected:
    CapturePickerLogic& open(CapturePickerLogic::Options options, Point pointer = {500, 500}) {
        logic.emplace(
            twoDisplays(), twoWindows(), std::move(options),
            [this](std::optional<CaptureSelection> s) { results.push_back(std::move(s)); },
            [this] { ++beeps; });
        logic->start(pointer);
        return *logic;
    }

    std::optional<CapturePickerLogic> logic;
    std::vector<std::optional<CaptureSelection>> results;
    int beeps = 0;
};

TEST_F(CapturePickerLogicTest, DraggingSelectsAcrossDisplaysClampedToTheCoveredArea) {
    struct Row {
        const char* name;
        CapturePickerLogic::Options options;
        Point from, to;
        Rect selected;
    } rows[] = {
        {"onto the other display", {}, {1800.4, 500}, {2500, 600.2}, {1800, 500, 700, 101}},
        {"past the right edge", {}, {1800, 100}, {4000, -50}, {1800, 0, 1400, 100}},
        {"restricted to one display",
         {false, false, QStringLiteral("A")},
         {1800, 500},
         {2500, 600},
         {1800, 500, 120, 100}},
        {"upward and to the left", {}, {300, 300}, {100, 200}, {100, 200, 200, 100}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        results.clear();
        CapturePickerLogic& picker = open(row.options);
        picker.begin(row.from);
        picker.drag(row.to);
        EXPECT_EQ(picker.selection(), row.selected);
        picker.end(row.to);
        ASSERT_EQ(results.size(), 1u);
        const auto* region = std::get_if<CaptureRegion>(&*results[0]);
        ASSERT_TRUE(region);
        EXPECT_EQ(region->rect, row.selected);
        EXPECT_EQ(region->displays, twoDisplays());
    }
}

TEST_F(CapturePickerLogicTest, AClickWithoutADragBeepsAndStaysOpen) {
    CapturePickerLogic& picker = open({});
    picker.begin({50, 60});
    picker.end({50, 60});
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(results.empty());
    EXPECT_FALSE(picker.isFinished());
    picker.key(Key::Return, false, false, {50, 60});
    EXPECT_EQ(beeps, 2);
    picker.begin({3300, 100}); // outside the covered area: no drag starts
    EXPECT_EQ(picker.selection(), (Rect{50, 60, 0, 0}));
}

TEST_F(CapturePickerLogicTest, ArrowKeysPlaceMoveAndResizeAKeyboardSelection) {
    struct Row {
        const char* name;
        Point mouse;
        std::vector<std::tuple<Key, bool, bool>> keys; // key, shift, option
        std::optional<Rect> selected;
    } rows[] = {
        {"→ places 400 × 240 centred, 1 pt right",
         {500, 500},
         {{Key::Right, false, false}},
         Rect{761, 420, 400, 240}},
        {"with Shift 10 pt", {500, 500}, {{Key::Right, true, false}}, Rect{770, 420, 400, 240}},
        {"with Option 1 pt wider",
         {500, 500},
         {{Key::Right, false, true}},
         Rect{760, 420, 401, 240}},
        {"↑ moves up, ↓ down",
         {500, 500},
         {{Key::Up, false, false}, {Key::Up, true, false}, {Key::Down, false, false}},
         Rect{760, 410, 400, 240}},
        {"on the display under the mouse",
         {2000, 100},
         {{Key::Tab, false, false}},
         Rect{2360, 240, 400, 240}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CapturePickerLogic& picker = open({}, row.mouse);
        for (const auto& [key, shift, option] : row.keys)
            picker.key(key, shift, option, row.mouse);
        EXPECT_EQ(picker.selection(), row.selected);
    }

    // A move that would leave the covered area is refused.
    CapturePickerLogic& picker = open({}, {500, 500});
    picker.begin({0, 0});
    picker.drag({100, 100});
    picker.key(Key::Left, false, false, {500, 500});
    picker.key(Key::Up, true, false, {500, 500});
    EXPECT_EQ(picker.selection(), (Rect{0, 0, 100, 100}));
    picker.key(Key::Return, false, false, {500, 500});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(std::get<CaptureRegion>(*results[0]).rect, (Rect{0, 0, 100, 100}));
}

TEST_F(CapturePickerLogicTest, WindowModeHighlightsThePointedWindowAndCyclesWithTab) {
    CapturePickerLogic& picker = open(windowMode(), {350, 250}); // over both: the front one wins
    EXPECT_TRUE(picker.choosingWindow());
    EXPECT_EQ(picker.windowIndex(), 0);
    picker.move({800, 550});
    EXPECT_EQ(picker.windowIndex(), 1);
    picker.move({1500, 900});
    EXPECT_EQ(picker.windowIndex(), std::nullopt);
    picker.key(Key::Return, false, false, {1500, 900});
    EXPECT_EQ(beeps, 1);

    const std::pair<std::pair<Key, bool>, int> presses[] = {
        {{Key::Tab, true}, 1},  // Shift-Tab from nothing: the back-most
        {{Key::Tab, false}, 0}, // wraps around
        {{Key::Down, false}, 1}, {{Key::Up, false}, 0}, {{Key::Left, false}, 1},
    };
    for (const auto& [press, index] : presses) {
        picker.key(press.first, press.second, false, {1500, 900});
        EXPECT_EQ(picker.windowIndex(), index);
    }
    picker.key(Key::Enter, false, false, {1500, 900});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(std::get<CaptureWindow>(*results[0]).id, 9u);
}

TEST_F(CapturePickerLogicTest, SpaceSwitchesModesExceptWhenScrollingOrRestricted) {
    CapturePickerLogic& picker = open({});
    picker.begin({10, 10});
    picker.drag({110, 60});
    picker.key(Key::Space, false, false, {350, 250});
    EXPECT_TRUE(picker.choosingWindow());
    EXPECT_EQ(picker.windowIndex(), 0);
    picker.key(Key::Space, false, false, {350, 250});
    EXPECT_FALSE(picker.choosingWindow());
    EXPECT_EQ(picker.selection(), (Rect{10, 10, 100, 50})) << "the area stays";
    picker.drag({500, 500});
    EXPECT_EQ(picker.selection(), (Rect{10, 10, 100, 50})) << "the drag ended with the switch";

    for (const CapturePickerLogic::Options& options :
         {CapturePickerLogic::Options{true, true, std::nullopt},
          CapturePickerLogic::Options{true, false, QStringLiteral("B")}}) {
        CapturePickerLogic& fixed = open(options);
        EXPECT_FALSE(fixed.choosingWindow()) << "window mode is not offered";
        fixed.key(Key::Space, false, false, {350, 250});
        EXPECT_FALSE(fixed.choosingWindow());
    }
}

TEST_F(CapturePickerLogicTest, ReadoutAndInstructionFollowThePointerAndTheSelection) {
    CapturePickerLogic& picker = open({}, {10.7, 20.2});
    EXPECT_EQ(picker.readout(), QStringLiteral("X 10   Y 20 pt\nDrag to capture · Esc to cancel"));
    picker.begin({10, 20});
    picker.drag({310.5, 220});
    EXPECT_EQ(picker.readout(), QStringLiteral("X 310   Y 220 pt\n301 × 200 pt"));
    EXPECT_EQ(picker.instruction(),
              QStringLiteral("301 × 200 pt · Release to capture · Space for window · Escape to "
                             "cancel\nArrow keys move · Option resizes · Shift moves 10 pt · "
                             "Return captures keyboard selection"));

    CapturePickerLogic& windows = open(windowMode(), {1500, 900});
    EXPECT_EQ(windows.readout(),
              QStringLiteral("X 1500   Y 900 pt\nClick a window · Esc to cancel"));
    windows.move({150, 150});
    EXPECT_EQ(windows.readout(), QStringLiteral("X 150   Y 150 pt\n400 × 300 pt"));

    CapturePickerLogic& scrolling = open({false, true, std::nullopt});
    EXPECT_EQ(scrolling.instruction(),
              QStringLiteral("Select the scrolling content · Leave toolbars outside\nScroll down "
                             "after selecting · Escape to cancel"));
}

TEST_F(CapturePickerLogicTest, FinishesOnceAndRunsWillCaptureOnlyForASelection) {
    int willCapture = 0;
    CapturePickerLogic& picker = open({});
    picker.setWillCapture([&] {
        ++willCapture;
        EXPECT_TRUE(results.empty()) << "before the completion";
    });
    picker.begin({0, 0});
    picker.end({50, 50});
    picker.cancel();
    picker.key(Key::Escape, false, false, {0, 0});
    EXPECT_EQ(results.size(), 1u);
    EXPECT_EQ(willCapture, 1);

    results.clear();
    CapturePickerLogic& escaped = open({});
    escaped.setWillCapture([&] { ++willCapture; });
    escaped.key(Key::Escape, false, false, {0, 0});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0]);
    EXPECT_EQ(willCapture, 1);

    results.clear();
    CapturePickerLogic missing(
        twoDisplays(), {}, {false, false, QStringLiteral("gone")},
        [this](auto s) { results.push_back(s); }, [] {});
    EXPECT_FALSE(missing.start({0, 0}));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0]) << "no display to cover";
}

TEST(ReadoutBoxPlacement, SitsBesideThePointerAndKeepsOffTheEdges) {
    struct Row {
        const char* name;
        Point pointer;
        Point origin;
    } rows[] = {
        {"below right", {100, 100}, {118, 118}},
        {"near the right edge", {1900, 100}, {1752, 118}},
        {"near the bottom edge", {100, 1070}, {118, 1012}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(readoutBoxPlacement(row.pointer, 130, 40, 1920, 1080).origin(), row.origin)
            << row.name;
    EXPECT_EQ(readoutBoxPlacement({60, 100}, 300, 40, 320, 1080).origin(), (Point{8, 118}))
        << "a box that fits nowhere keeps 8 points from the left";
}

} // namespace
} // namespace lumbex
