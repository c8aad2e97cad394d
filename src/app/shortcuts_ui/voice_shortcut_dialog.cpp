#include "app/shortcuts_ui/voice_shortcut_dialog.h"

#include "app/shortcuts_ui/shortcut_recorder.h"
#include "core/error.h"
#include "shortcuts/voice_shortcuts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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
      alert_([this](const QString& message) {
          QMessageBox box(QMessageBox::Warning, message, message, QMessageBox::Ok, this);
          box.exec();
      }) {
    setWindowTitle(QStringLiteral("Voice Shortcut"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("Voice Shortcut"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* informative = new QLabel(kInformative, this);
    informative->setWordWrap(true);
    layout->addWidget(informative);
    layout->addWidget(recorder_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* saveButton =
        buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* remove =
        buttons->addButton(QStringLiteral("Remove Shortcut"), QDialogButtonBox::DestructiveRole);
    saveButton->setDefault(true);
    connect(saveButton, &QPushButton::clicked, this, &VoiceShortcutDialog::save);
    connect(remove, &QPushButton::clicked, this, &VoiceShortcutDialog::removeShortcut);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
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
