#pragma once

#include "capture/capture_picker_logic.h"
#include "capture/capture_ports.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace lumbex {

class CapturePickerView;
class ScreenGrabber;

// The capture picker as the user sees it: one overlay per covered display, each showing a frozen
// grab of its display taken just before it appears. What the pointer and keys do is
// CapturePickerLogic's; this class owns the overlays for one presentation at a time and closes
// them when the logic finishes, before the completion runs. Any change of the screens cancels.
class OverlayCapturePicker : public QObject, public CapturePicker {
    Q_OBJECT
public:
    struct Services {
        ScreenGrabber& screen;
        std::function<void()> beep;      // a refused confirmation
        std::function<QPoint()> pointer; // the mouse position, desktop coordinates
    };

    explicit OverlayCapturePicker(Services services, QObject* parent = nullptr);
    ~OverlayCapturePicker() override;

    void present(const PickerRequest& request,
                 std::function<void(std::optional<CaptureSelection>)> completion) override;
    // The general form: scrolling captures and recordings restrict the picker or keep it in
    // area mode. `willCapture` runs when a selection is confirmed, before the overlays close.
    void open(std::vector<CaptureDisplay> displays, std::vector<CaptureWindow> windows,
              CapturePickerLogic::Options options, CapturePickerLogic::Completion completion,
              std::function<void()> willCapture = {});
    void cancel() override;

    bool isOpen() const { return logic_ && !logic_->isFinished(); }
    // The overlays shown now, in the order of the covered displays (for tests and scripts).
    std::vector<CapturePickerView*> views() const;

private:
    void finished(std::optional<CaptureSelection> selection,
                  const CapturePickerLogic::Completion& completion);
    void closeViews();
    void refreshViews();

    Services services_;
    std::shared_ptr<CapturePickerLogic> logic_;
    std::vector<QPointer<CapturePickerView>> views_;
    std::vector<QMetaObject::Connection> screenWatch_;
};

} // namespace lumbex
