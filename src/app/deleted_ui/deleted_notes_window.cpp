#include "app/deleted_ui/deleted_notes_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lumbex {

DeletedNotesWindow::DeletedNotesWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), table_(new QTableWidget(0, 2, this)), status_(new QLabel(this)),
      restore_(new QPushButton(QStringLiteral("Restore"), this)),
      retry_(new QPushButton(QStringLiteral("Retry"), this)),
      reveal_(new QPushButton(QStringLiteral("Show Files"), this)) {
    setWindowTitle(QStringLiteral("Recently Deleted"));
    table_->setAccessibleName(QStringLiteral("Recently deleted notes"));
    table_->setAccessibleDescription(QStringLiteral("Recently deleted notes"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Note"), QStringLiteral("State")});
    table_->horizontalHeader()->setStretchLastSection(true);
    // Titles get a third of the width instead of the header's narrow default.
    table_->horizontalHeader()->setDefaultSectionSize(210);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            &DeletedNotesWindow::selectionChanged);

    auto* explanation = new QLabel(
        QStringLiteral("Notes stay here for 30 days, then move to Trash while Lumbex is running. "
                       "Files already copied to your projects are kept."),
        this);
    explanation->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(reveal_);
    buttons->addWidget(retry_);
    buttons->addWidget(restore_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(explanation);
    layout->addLayout(buttons);
    resize(620, 380);
}

void DeletedNotesWindow::setRows(const std::vector<Row>& rows, const std::optional<Id>& selected) {
    {
        const QSignalBlocker quiet(table_);
        table_->clearContents();
        table_->setRowCount(int(rows.size()));
        ids_.clear();
        for (int i = 0; i < int(rows.size()); ++i) {
            table_->setItem(i, 0, new QTableWidgetItem(rows[size_t(i)].title));
            table_->setItem(i, 1, new QTableWidgetItem(rows[size_t(i)].state));
            ids_.push_back(rows[size_t(i)].id);
        }
        const auto at = selected ? std::find(ids_.begin(), ids_.end(), *selected) : ids_.end();
        if (at != ids_.end())
            table_->selectRow(int(at - ids_.begin()));
        else if (!ids_.empty())
            table_->selectRow(0);
    }
    emit selectionChanged();
}

std::optional<Id> DeletedNotesWindow::selectedId() const {
    const auto rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= int(ids_.size()))
        return std::nullopt;
    return ids_[size_t(rows.first().row())];
}

void DeletedNotesWindow::setStatus(const QString& text, const QString& toolTip) {
    status_->setText(text);
    status_->setToolTip(toolTip);
}

} // namespace lumbex
