#include "capture/capture_picker_logic.h"

#include "capture/capture_coordinates.h"
#include "core/error.h"

#include <QtCore/qnamespace.h>
#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

constexpr double kMinimumSide = 2;

QString sizeText(const Rect& r) {
    return QStringLiteral("%1 × %2 pt").arg(qint64(r.width)).arg(qint64(r.height));
}

std::optional<Point> quartzPoint(Point p, const std::vector<CaptureDisplay>& displays) {
    try {
        return quartzRect({p.x, p.y, 0, 0}, displays).origin();
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

} // namespace

CapturePickerLogic::CapturePickerLogic(std::vector<CaptureDisplay> displays,
                                       std::vector<CaptureWindow> windows, Options options,
                                       Completion completion, std::function<void()> beep)
    : displays_(std::move(displays)), windows_(std::move(windows)), options_(std::move(options)),
      completion_(std::move(completion)), beep_(std::move(beep)) {
    choosingWindow_ = options_.chooseWindow && canSwitchModes();
    for (const CaptureDisplay& display : displays_)
        if (!options_.restrictedDisplayID || display.id == *options_.restrictedDisplayID)
            covered_.push_back(display);
}

bool CapturePickerLogic::start(Point pointer) {
    if (covered_.empty()) {
        finish(std::nullopt);
        return false;
    }
    move(pointer);
    return true;
}

Rect CapturePickerLogic::selectionBounds() const {
    if (covered_.empty())
        return {};
    Rect bounds = covered_.front().cocoaFrame;
    for (const CaptureDisplay& display : covered_)
        bounds = bounds.united(display.cocoaFrame);
    return bounds;
}

void CapturePickerLogic::begin(Point p) {
    pointer_ = p;
    if (choosingWindow_) {
        move(p);
    } else if (selectionBounds().contains(p)) {
        start_ = p;
        selection_ = Rect{p.x, p.y, 0, 0};
    }
}

void CapturePickerLogic::drag(Point p) {
    pointer_ = p;
    if (choosingWindow_ || !start_)
        return;
    const Rect bounds = selectionBounds();
    const Point clamped{std::clamp(p.x, bounds.minX(), bounds.maxX()),
                        std::clamp(p.y, bounds.minY(), bounds.maxY())};
    selection_ = Rect::spanning(*start_, clamped).roundedOut();
}

void CapturePickerLogic::end(Point p) {
    if (!choosingWindow_)
        drag(p);
    confirm();
}

void CapturePickerLogic::move(Point p) {
    pointer_ = p;
    if (!choosingWindow_)
        return;
    const std::optional<Point> q = quartzPoint(p, displays_);
    if (!q)
        return;
    const auto under = std::find_if(windows_.begin(), windows_.end(),
                                    [&](const CaptureWindow& w) { return w.frame.contains(*q); });
    windowIndex_ =
        under == windows_.end() ? std::nullopt : std::optional(int(under - windows_.begin()));
}

void CapturePickerLogic::confirm() {
    if (choosingWindow_) {
        if (windowIndex_)
            finish(windows_[size_t(*windowIndex_)]);
        else
            beep_();
        return;
    }
    if (!selection_) {
        beep_();
        return;
    }
    try {
        finish(makeCaptureRegion(*selection_, displays_));
    } catch (const LumbexError&) {
        beep_(); // too small or off the displays: the user adjusts and tries again
    }
}

void CapturePickerLogic::key(Key key, bool shift, bool option, Point pointer) {
    switch (key) {
    case Key::Return:
    case Key::Enter:
        confirm();
        return;
    case Key::Escape:
        finish(std::nullopt);
        return;
    case Key::Space:
        if (!canSwitchModes())
            return;
        choosingWindow_ = !choosingWindow_;
        start_.reset();
        move(pointer);
        return;
    case Key::Tab:
    case Key::Left:
    case Key::Right:
    case Key::Down:
    case Key::Up:
        if (choosingWindow_)
            cycleWindows(!shift && (key == Key::Tab || key == Key::Right || key == Key::Down));
        else
            moveKeyboardSelection(key, shift, option, pointer);
        return;
    case Key::Other:
        return;
    }
}

void CapturePickerLogic::cycleWindows(bool forward) {
    const int count = int(windows_.size());
    if (count == 0)
        return;
    windowIndex_ = forward ? (windowIndex_.value_or(-1) + 1) % count
                           : (windowIndex_.value_or(0) - 1 + count) % count;
}

void CapturePickerLogic::moveKeyboardSelection(Key key, bool shift, bool option, Point pointer) {
    const CaptureDisplay* reference = nullptr;
    if (options_.restrictedDisplayID)
        for (const CaptureDisplay& d : displays_)
            if (!reference && d.id == *options_.restrictedDisplayID)
                reference = &d;
    for (const CaptureDisplay& d : displays_)
        if (!reference && d.cocoaFrame.contains(pointer))
            reference = &d;
    if (!reference && !displays_.empty())
        reference = &displays_.front();
    if (!reference)
        return;

    Rect rect = selection_.value_or([&] {
        const Rect& frame = reference->cocoaFrame;
        const double w = std::min(frame.width, kDefaultWidth);
        const double h = std::min(frame.height, kDefaultHeight);
        const Point centre = frame.center();
        return Rect{std::floor(centre.x - w / 2), std::floor(centre.y - h / 2), w, h};
    }());
    const double step = shift ? 10 : 1;
    const double dx = key == Key::Left ? -step : key == Key::Right ? step : 0;
    const double dy = key == Key::Up ? -step : key == Key::Down ? step : 0;
    if (option) {
        rect.width = std::max(rect.width + dx, kMinimumSide);
        rect.height = std::max(rect.height + dy, kMinimumSide);
    } else {
        rect.x += dx;
        rect.y += dy;
    }
    if (!selectionBounds().contains(rect))
        return;
    try {
        makeCaptureRegion(rect, displays_);
        selection_ = rect;
    } catch (const LumbexError&) {
    }
}

void CapturePickerLogic::finish(std::optional<CaptureSelection> selection) {
    if (completed_)
        return;
    completed_ = true;
    if (selection && willCapture_)
        willCapture_();
    if (completion_)
        completion_(std::move(selection));
}

std::optional<Rect> CapturePickerLogic::visibleSelection() const {
    if (!choosingWindow_)
        return selection_;
    if (!windowIndex_)
        return std::nullopt;
    return cocoaRect(windows_[size_t(*windowIndex_)].frame, displays_);
}

QString CapturePickerLogic::readout() const {
    if (!pointer_)
        return {};
    const std::optional<Point> q = quartzPoint(*pointer_, displays_);
    if (!q)
        return {};
    QString text = QStringLiteral("X %1   Y %2 pt").arg(qint64(q->x)).arg(qint64(q->y));
    const std::optional<Rect> visible = visibleSelection();
    if (!visible || visible->width < kMinimumSide || visible->height < kMinimumSide)
        return text + (choosingWindow_ ? QStringLiteral("\nClick a window · Esc to cancel")
                                       : QStringLiteral("\nDrag to capture · Esc to cancel"));
    return text + u'\n' + sizeText(*visible);
}

QString CapturePickerLogic::instruction() const {
    if (options_.scrolling)
        return QStringLiteral("Select the scrolling content · Leave toolbars outside\nScroll down "
                              "after selecting · Escape to cancel");
    if (choosingWindow_) {
        QString text;
        if (windowIndex_)
            text = windows_[size_t(*windowIndex_)].title + u'\n';
        return text +
               QStringLiteral("Click a window · Tab to cycle · Space for area · Escape to cancel");
    }
    QString text;
    if (selection_)
        text = sizeText(*selection_) + QStringLiteral(" · ");
    text += QStringLiteral("Release to capture · ");
    if (!options_.restrictedDisplayID)
        text += QStringLiteral("Space for window · ");
    return text + QStringLiteral("Escape to cancel\nArrow keys move · Option resizes · Shift "
                                 "moves 10 pt · Return captures keyboard selection");
}

Rect readoutBoxPlacement(Point pointer, double width, double height, double viewWidth,
                         double viewHeight) {
    constexpr double gap = 18, margin = 8;
    double x = pointer.x + gap;
    if (x + width > viewWidth - margin)
        x = pointer.x - width - gap;
    double y = pointer.y + gap;
    if (y + height > viewHeight - margin)
        y = pointer.y - height - gap;
    x = std::min(std::max(x, margin), viewWidth - width - margin);
    y = std::min(std::max(y, margin), viewHeight - height - margin);
    return {x, y, width, height};
}

CapturePickerLogic::Key CapturePickerLogic::keyFromQt(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
        return Key::Return;
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_Escape:
        return Key::Escape;
    case Qt::Key_Space:
        return Key::Space;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return Key::Tab;
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_Up:
        return Key::Up;
    default:
        return Key::Other;
    }
}

} // namespace lumbex
