#pragma once

#include "library/library_entry.h"

#include <QAbstractTableModel>
#include <QImage>
#include <optional>
#include <vector>

namespace lumbex {

class LibraryPreviews;

// The rows of the notes library: one per shown entry, with the preview, the title over the
// matching excerpt, and the modification date. GUI thread.
class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { PreviewColumn, NoteColumn, DateColumn, ColumnCount };
    // The entry's package path, for every column.
    static constexpr int PathRole = Qt::UserRole + 1;
    static constexpr int ExcerptRole = Qt::UserRole + 2;

    static constexpr int kPreviewSide = 56;

    explicit LibraryTableModel(LibraryPreviews& previews, QObject* parent = nullptr);

    // A modification date as the list shows it: the locale's short date and time.
    static QString dateText(Date date);

    // Replaces the rows; excerpts are made for `query` when a row is first shown.
    void reset(std::vector<const LibraryEntry*> shown, QString query);
    const LibraryEntry* entry(int row) const;
    int rowOf(const QString& path) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void previewChanged(const QString& key);
    QVariant previewData(const LibraryEntry& entry, int role) const;
    const QString& excerpt(int row) const;

    LibraryPreviews& previews_;
    std::vector<const LibraryEntry*> shown_;
    QString query_;
    mutable std::vector<std::optional<QString>> excerpts_;
    QImage placeholder_;
};

} // namespace lumbex
