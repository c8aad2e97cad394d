#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QPushButton;
class QWidget;

namespace lumbex {

// The question before a deletion, titled by its message so that it can be found by its title.
// `move` is its "Move to Recently Deleted" button.
struct DeletionQuestion {
    std::unique_ptr<QMessageBox> box;
    QPushButton* move = nullptr;
};
DeletionQuestion makeDeletionQuestion(const QString& title, QWidget* parent);

// Asks it and waits: true when the person chose to move the note.
bool askToMoveToRecentlyDeleted(const QString& title, QWidget* parent);

} // namespace lumbex
