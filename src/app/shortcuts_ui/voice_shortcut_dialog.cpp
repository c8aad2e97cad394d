#include "app/shortcuts_ui/voice_shortcut_dialog.h"

#include "app/shortcuts_ui/shortcut_dialog_frame.h"
#include "app/shortcuts_ui/shortcut_recorder.h"
#include "core/error.h"
#include "shortcuts/voice_shortcuts.h"

#include <QVBoxLayout>

namespace lumbex {
namespace {

const QString kInformative = QStringLiteral(
    "Hold the shortcut in a note to dictate. On the canvas, hold it and click or drag a location, "
    "then speak. Release to stop.\n\nWorks only in Lumbex. Use Command with Option or Control. "
    "The microphone button always works without a shortcut.");

} // namespace

VoiceShortcutDialog::VoiceShortcutDialog(VoiceShortcuts& voice, CaptureShortcutPair captures,
                                         std::vector<QKeySequence> menuKeys, QWidget* parent)
    : QDialog(parent), voice_(voice), captures_(captures), menuKeys_(std::move(menuKeys)),
      recorder_(
          new ShortcutRecorder(voice.shortcut(), QStringLiteral("Hold to Dictate shortcut"), this)),
      alert_([this](const QString& message) { showShortcutAlert(this, message); }) {
    QVBoxLayout* layout =
        shortcutDialogLayout(*this, QStringLiteral("Voice Shortcut"), kInformative);
    layout->addWidget(recorder_);
    addShortcutDialogButtons(
        *this, *layout, QStringLiteral("Remove Shortcut"), QDialogButtonBox::DestructiveRole,
        [this] { save(); }, [this] { removeShortcut(); });
}

void VoiceShortcutDialog::save() {
    recorder_->cancelRecording();
    apply(recorder_->shortcut());
}

void VoiceShortcutDialog::removeShortcut() {
    recorder_->cancelRecording();
    apply(std::nullopt);
}

void VoiceShortcutDialog::apply(const std::optional<CaptureShortcut>& shortcut) {
    try {
        voice_.apply(shortcut, captures_, menuKeys_);
    } catch (const LumbexError& error) {
        alert_(error.message());
        return;
    }
    accept();
}

} // namespace lumbex
