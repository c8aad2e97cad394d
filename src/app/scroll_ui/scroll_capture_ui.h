#pragma once

#include "capture/capture_selection.h"
#include "capture/scrolling_capture_session.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace lumbex {

class ScreenGrabber;
class ScrollAreaOverlay;
class ScrollProgressPanel;

// The windows of a scrolling capture around its session: the area picker over a frozen picture
// of the desktop, the floating progress panel beside the area, and the open panel of "Stitch
// Scroll Images…". The application shell owns one and calls `start` and `stitchImages` from its
// menus. Lives on the GUI thread.
class ScrollCaptureUI : public QObject {
    Q_OBJECT
public:
    // What the capture needs from the application around it. Every member may be empty.
    struct Shell {
        // Hides the application's windows so that they stay out of the frames.
        std::function<void()> hideWindows;
        // Shows the hidden windows again when the session ends.
        std::function<void()> restoreWindows;
        // A refused selection (an area smaller than 2 × 2 points, for example).
        std::function<void()> beep;
    };

    // `screen` must outlive the UI. `saveNote` creates the finished note and, when asked, opens
    // it; it throws LumbexError when it cannot.
    ScrollCaptureUI(ScreenGrabber& screen, ScrollingCaptureSession::NoteSink saveNote, Shell shell,
                    QObject* parent = nullptr);
    ~ScrollCaptureUI() override;

    // "Scrolling Capture…": hides the application's windows and asks for the scrolling area.
    // Only beeps while a capture or an import is under way.
    void start();
    // "Stitch Scroll Images…": asks for image files and joins them; `parent` centres the open
    // panel. Only beeps while a capture, an import or its open panel is under way.
    void stitchImages(QWidget* parent = nullptr);
    // Whether a capture or an import is under way (the menu items are then disabled).
    bool isBusy() const;
    // Quitting: saves what was joined without opening it. Throws LumbexError.
    void finishForTermination() { session_.finishForTermination(); }
    // The display setup changed, or the computer is going to sleep: stops and keeps the frames.
    void displaysChanged() { session_.displaysChanged(); }
    void systemWillSleep() { session_.systemWillSleep(); }

    ScrollingCaptureSession& session() { return session_; }
    // The progress panel while a session shows it, otherwise null.
    QWidget* panel() const;

private:
    void freezeAndPick();
    void picked(const std::optional<CaptureSelection>& selection);
    void sessionChanged();
    void sessionEnded();
    void closeOverlay();

    ScreenGrabber& screen_;
    Shell shell_;
    ScrollingCaptureSession session_;
    QPointer<ScrollAreaOverlay> overlay_;
    QPointer<ScrollProgressPanel> panel_;
    QPointer<QWidget> importPanel_;
    QRect area_;
    bool windowsHidden_ = false;
};

} // namespace lumbex
