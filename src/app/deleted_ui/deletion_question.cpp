#include "app/deleted_ui/deletion_question.h"

#include <QMessageBox>
#include <QPushButton>

namespace lumbex {

DeletionQuestion makeDeletionQuestion(const QString& title, QWidget* parent) {
    const QString question =
        QStringLiteral("Move “") + title + QStringLiteral("” to Recently Deleted?");
    DeletionQuestion made;
    made.box = std::make_unique<QMessageBox>(QMessageBox::Warning, question, question,
                                             QMessageBox::NoButton, parent);
    made.box->setInformativeText(
        QStringLiteral("You can restore it for 30 days. After that, Lumbex moves it to Trash. "
                       "Copies already saved in your projects are kept."));
    made.move = made.box->addButton(QStringLiteral("Move to Recently Deleted"),
                                    QMessageBox::DestructiveRole);
    made.box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    made.box->setDefaultButton(made.move);
    return made;
}

bool askToMoveToRecentlyDeleted(const QString& title, QWidget* parent) {
    const DeletionQuestion question = makeDeletionQuestion(title, parent);
    question.box->exec();
    return question.box->clickedButton() == question.move;
}

} // namespace lumbex
