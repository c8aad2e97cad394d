#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;

namespace lumbex {

class CaptureShortcuts;
class ShortcutRecorder;

// "Capture Shortcuts": a recorder for each global shortcut beside its status, the switch for
// global shortcuts, and Save, Cancel and Restore Defaults. Save applies the recorders' pair; a
// refusal is shown in an alert and the dialog stays with the person's choice.
class CaptureShortcutsDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the statuses `shortcuts` has now.
    CaptureShortcutsDialog(CaptureShortcuts& shortcuts, QWidget* parent = nullptr);

    ShortcutRecorder& explainRecorder() const { return *explain_; }
    ShortcutRecorder& quickRecorder() const { return *quick_; }
    QCheckBox& enabledBox() const { return *enabled_; }
    // Shows a refusal's message; a message box by default.
    void setAlert(std::function<void(const QString&)> alert) { alert_ = std::move(alert); }

    // Save: applies and closes, or keeps the dialog open (a recorder empty, or a refusal).
    void save();
    void restoreDefaults();

private:
    void showStatuses();

    CaptureShortcuts& shortcuts_;
    ShortcutRecorder* explain_;
    ShortcutRecorder* quick_;
    QLabel* explainStatus_;
    QLabel* quickStatus_;
    QCheckBox* enabled_;
    std::function<void(const QString&)> alert_;
};

// Runs the dialog with the global shortcuts stopped, so that recording can see their keys, and
// starts them again afterwards.
void editCaptureShortcuts(QWidget* parent, CaptureShortcuts& shortcuts);

} // namespace lumbex
