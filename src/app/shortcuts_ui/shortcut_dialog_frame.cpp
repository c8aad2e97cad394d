#include "app/shortcuts_ui/shortcut_dialog_frame.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {

QVBoxLayout* shortcutDialogLayout(QDialog& dialog, const QString& message,
                                  const QString& informative) {
    dialog.setWindowTitle(message);
    auto* layout = new QVBoxLayout(&dialog);
    auto* heading = new QLabel(message, &dialog);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* text = new QLabel(informative, &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    return layout;
}

void addShortcutDialogButtons(QDialog& dialog, QVBoxLayout& layout, const QString& otherTitle,
                              QDialogButtonBox::ButtonRole otherRole, std::function<void()> save,
                              std::function<void()> other) {
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* saveButton =
        buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* otherButton = buttons->addButton(otherTitle, otherRole);
    saveButton->setDefault(true);
    QObject::connect(saveButton, &QPushButton::clicked, &dialog, std::move(save));
    QObject::connect(otherButton, &QPushButton::clicked, &dialog, std::move(other));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
}

void showShortcutAlert(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, message, message, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace lumbex
