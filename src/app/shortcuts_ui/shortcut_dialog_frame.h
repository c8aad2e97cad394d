#pragma once

#include <QDialogButtonBox>
#include <functional>

class QDialog;
class QVBoxLayout;

namespace lumbex {

// What both shortcut dialogs share: the alert-like top (bold message, informative text) and the
// button row Save (the default), Cancel and one more.
QVBoxLayout* shortcutDialogLayout(QDialog& dialog, const QString& message,
                                  const QString& informative);
// Save runs `save`, Cancel rejects the dialog, the third button (`otherTitle`, `otherRole`) runs
// `other`. The row is added to the dialog's layout.
void addShortcutDialogButtons(QDialog& dialog, QVBoxLayout& layout, const QString& otherTitle,
                              QDialogButtonBox::ButtonRole otherRole, std::function<void()> save,
                              std::function<void()> other);
// A refusal's message in a warning box over `parent`.
void showShortcutAlert(QWidget* parent, const QString& message);

} // namespace lumbex
