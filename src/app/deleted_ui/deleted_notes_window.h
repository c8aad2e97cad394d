#pragma once

#include "core/ids.h"

#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace lumbex {

// The Recently Deleted window: the list, its explanation, the status line and the three
// buttons. It decides nothing: DeletedNotesController fills it and reacts to its signals.
class DeletedNotesWindow : public QWidget {
    Q_OBJECT
public:
    struct Row {
        Id id;
        QString title;
        QString state;
    };

    explicit DeletedNotesWindow(QWidget* parent = nullptr);

    // Replaces the rows, keeping the selection on `selected` when given.
    void setRows(const std::vector<Row>& rows, const std::optional<Id>& selected);
    std::optional<Id> selectedId() const;
    void setStatus(const QString& text, const QString& toolTip);

    QTableWidget& table() const { return *table_; }
    QLabel& status() const { return *status_; }
    QPushButton& restoreButton() const { return *restore_; }
    QPushButton& retryButton() const { return *retry_; }
    QPushButton& revealButton() const { return *reveal_; }

signals:
    void selectionChanged();

private:
    QTableWidget* table_;
    QLabel* status_;
    QPushButton* restore_;
    QPushButton* retry_;
    QPushButton* reveal_;
    std::vector<Id> ids_;
};

} // namespace lumbex
