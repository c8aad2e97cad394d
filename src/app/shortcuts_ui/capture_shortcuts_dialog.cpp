#include "app/shortcuts_ui/capture_shortcuts_dialog.h"

#include "app/shortcuts_ui/shortcut_dialog_frame.h"
#include "app/shortcuts_ui/shortcut_recorder.h"
#include "core/error.h"
#include "shortcuts/capture_shortcuts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lumbex {
namespace {

const QString kInformative = QStringLiteral(
    "Click a shortcut, then press a new combination. Use Command with Option or Control. Escape "
    "cancels recording. Changes take effect when you save.\n\nReturn inserts a new line in notes; "
    "Command-Return copies for your agent. Canvas tool keys only apply when the canvas has "
    "focus.");

} // namespace

CaptureShortcutsDialog::CaptureShortcutsDialog(CaptureShortcuts& shortcuts, QWidget* parent)
    : QDialog(parent), shortcuts_(shortcuts),
      explain_(new ShortcutRecorder(shortcuts.configuration().explain,
                                    QStringLiteral("Capture and Explain shortcut"), this)),
      quick_(new ShortcutRecorder(shortcuts.configuration().quick,
                                  QStringLiteral("Quick Capture shortcut"), this)),
      explainStatus_(new QLabel(this)), quickStatus_(new QLabel(this)),
      enabled_(new QCheckBox(QStringLiteral("Enable global shortcuts"), this)),
      alert_([this](const QString& message) { showShortcutAlert(this, message); }) {
    QVBoxLayout* layout =
        shortcutDialogLayout(*this, QStringLiteral("Capture Shortcuts"), kInformative);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Capture and Explain"), this), 0, 0);
    grid->addWidget(explain_, 0, 1);
    grid->addWidget(explainStatus_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Quick Capture"), this), 1, 0);
    grid->addWidget(quick_, 1, 1);
    grid->addWidget(quickStatus_, 1, 2);
    layout->addLayout(grid);
    enabled_->setChecked(shortcuts.enabled());
    layout->addWidget(enabled_);

    addShortcutDialogButtons(
        *this, *layout, QStringLiteral("Restore Defaults"), QDialogButtonBox::ResetRole,
        [this] { save(); }, [this] { restoreDefaults(); });
    showStatuses();
}

void CaptureShortcutsDialog::showStatuses() {
    const QString reason = shortcuts_.unavailableReason();
    for (const auto& [label, index] : {std::pair{explainStatus_, 0}, std::pair{quickStatus_, 1}}) {
        label->setText(shortcuts_.status(index));
        label->setToolTip(shortcuts_.status(index) == u"Unavailable" ? reason : QString());
    }
}

void CaptureShortcutsDialog::save() {
    explain_->cancelRecording();
    quick_->cancelRecording();
    if (!explain_->shortcut() || !quick_->shortcut())
        return;
    try {
        shortcuts_.apply({*explain_->shortcut(), *quick_->shortcut()}, enabled_->isChecked());
    } catch (const LumbexError& error) {
        // The previous pair is registered again: show its state, then let go of its keys while
        // the dialog records.
        showStatuses();
        shortcuts_.stop();
        alert_(error.message());
        return;
    }
    accept();
}

void CaptureShortcutsDialog::restoreDefaults() {
    const CaptureShortcutPair defaults = CaptureShortcutPair::defaults();
    explain_->setShortcut(defaults.explain);
    quick_->setShortcut(defaults.quick);
}

void editCaptureShortcuts(QWidget* parent, CaptureShortcuts& shortcuts) {
    // Built first: its statuses are those of the keys as they are registered now.
    CaptureShortcutsDialog dialog(shortcuts, parent);
    shortcuts.stop();
    dialog.exec();
    shortcuts.start();
}

} // namespace lumbex
