#pragma once

#include <QString>
#include <memory>
#include <optional>

class QCheckBox;
class QMessageBox;
class QPushButton;
class QWidget;

namespace lumbex {

// The question before a deletion, titled by its message so that it can be found by its title.
// `move` is its "Move to Recently Deleted" button; `cloud` the check box that moves the note's
// sync-folder copies too, present only when the question offers it.
struct DeletionQuestion {
    std::unique_ptr<QMessageBox> box;
    QPushButton* move = nullptr;
    QCheckBox* cloud = nullptr;
};
DeletionQuestion makeDeletionQuestion(const QString& title, bool offerCloud, QWidget* parent);

// Asks it and waits: none when the person cancelled, else whether the sync-folder copies move
// too (always false when not offered).
std::optional<bool> askToMoveToRecentlyDeleted(const QString& title, bool offerCloud,
                                               QWidget* parent);

} // namespace lumbex
