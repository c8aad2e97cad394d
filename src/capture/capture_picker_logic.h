#pragma once

#include "capture/capture_selection.h"

#include <QString>
#include <functional>
#include <optional>

namespace lumbex {

// What the capture picker does with the pointer and the keyboard, without any window: the overlay
// widgets forward their events here (positions in desktop coordinates) and draw what it reports.
// It finishes exactly once, with a selection or with nothing.
//
// Desktop coordinates grow downward on X11, so ↑ moves a keyboard selection up by decreasing y.
class CapturePickerLogic {
public:
    struct Options {
        bool chooseWindow = false; // start in window mode (ignored when scrolling or restricted)
        bool scrolling = false;    // the scrolling-capture variant: area mode only
        std::optional<QString> restrictedDisplayID; // cover only this display
    };
    enum class Key { Return, Enter, Escape, Space, Tab, Left, Right, Down, Up, Other };
    // The picker's key for a Qt key code (Backtab is Tab; Shift comes separately).
    static Key keyFromQt(int qtKey);
    using Completion = std::function<void(std::optional<CaptureSelection>)>;

    static constexpr double kDefaultWidth = 400;
    static constexpr double kDefaultHeight = 240;

    // `beep` sounds when a confirmation is refused. Call `start` before any event.
    CapturePickerLogic(std::vector<CaptureDisplay> displays, std::vector<CaptureWindow> windows,
                       Options options, Completion completion, std::function<void()> beep);

    // Runs first when a selection is confirmed (the controller places its promised clipboard).
    void setWillCapture(std::function<void()> willCapture) {
        willCapture_ = std::move(willCapture);
    }
    // Finishes with nothing when no display is covered; otherwise places the pointer. Returns
    // whether the picker is open.
    bool start(Point pointer);

    void begin(Point p); // mouse down
    void drag(Point p);  // mouse dragged
    void end(Point p);   // mouse up
    void move(Point p);  // mouse moved
    // `pointer` is where the mouse is now (Space re-targets the window under it).
    void key(Key key, bool shift, bool option, Point pointer);
    // Finishes with nothing: Escape, the owner, or any change of the display setup.
    void cancel() { finish(std::nullopt); }

    // The displays covered, in list order, and the union of their desktop frames.
    const std::vector<CaptureDisplay>& coveredDisplays() const { return covered_; }
    Rect selectionBounds() const;
    bool choosingWindow() const { return choosingWindow_; }
    bool isFinished() const { return completed_; }
    std::optional<int> windowIndex() const { return windowIndex_; }
    std::optional<Rect> selection() const { return selection_; }
    std::optional<Point> pointerLocation() const { return pointer_; }
    // What is outlined: the area, or the highlighted window's frame, in desktop coordinates.
    std::optional<Rect> visibleSelection() const;
    // The text in the box beside the pointer, and the longer text read out by accessibility.
    QString readout() const;
    QString instruction() const;

private:
    void confirm();
    void finish(std::optional<CaptureSelection> selection);
    void cycleWindows(bool forward);
    void moveKeyboardSelection(Key key, bool shift, bool option, Point pointer);
    bool canSwitchModes() const { return !options_.scrolling && !options_.restrictedDisplayID; }

    std::vector<CaptureDisplay> displays_;
    std::vector<CaptureDisplay> covered_;
    std::vector<CaptureWindow> windows_;
    Options options_;
    Completion completion_;
    std::function<void()> beep_;
    std::function<void()> willCapture_;
    bool choosingWindow_ = false;
    bool completed_ = false;
    std::optional<int> windowIndex_;
    std::optional<Rect> selection_;
    std::optional<Point> pointer_;
    std::optional<Point> start_;
};

// Where the readout box goes in a view of `viewSize` with the pointer at `pointer` (both in the
// view's own coordinates, y downward): below and to the right of the pointer, flipped to the
// other side near the right or bottom edge, never closer than 8 points to any edge.
Rect readoutBoxPlacement(Point pointer, double width, double height, double viewWidth,
                         double viewHeight);

} // namespace lumbex
