#include "app/editor/text_annotation_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {

std::optional<QString> askAnnotationText(QWidget* parent, const QString& current, bool editing) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Text Annotation"));
    dialog.setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(&dialog);
    auto* title = new QLabel(QStringLiteral("<b>Text Annotation</b>"), &dialog);
    auto* detail = new QLabel(
        QStringLiteral(
            "Text shown on the image. Add a location note for the agent's instructions."),
        &dialog);
    detail->setWordWrap(true);
    auto* field = new QLineEdit(current, &dialog);
    field->setPlaceholderText(QStringLiteral("Annotation text"));
    field->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons
        ->addButton(editing ? QStringLiteral("Save") : QStringLiteral("Add"),
                    QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(title);
    layout->addWidget(detail);
    layout->addWidget(field);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return field->text();
}

} // namespace lumbex
