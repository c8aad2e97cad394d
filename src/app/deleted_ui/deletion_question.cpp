#include "app/deleted_ui/deletion_question.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace lumbex {

DeletionQuestion makeDeletionQuestion(const QString& title, bool offerCloud, QWidget* parent) {
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
    if (offerCloud) {
        // The box owns the check box from here on.
        made.cloud = new QCheckBox(QStringLiteral("Also move sync-folder copies and review files"));
        made.box->setCheckBox(made.cloud);
    }
    return made;
}

std::optional<bool> askToMoveToRecentlyDeleted(const QString& title, bool offerCloud,
                                               QWidget* parent) {
    const DeletionQuestion question = makeDeletionQuestion(title, offerCloud, parent);
    question.box->exec();
    if (question.box->clickedButton() != question.move)
        return std::nullopt;
    return question.cloud && question.cloud->isChecked();
}

} // namespace lumbex
