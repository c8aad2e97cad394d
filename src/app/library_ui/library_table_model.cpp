#include "app/library_ui/library_table_model.h"

#include "app/library_ui/library_previews.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>

namespace lumbex {
namespace {

const QString kPreparing = QStringLiteral("Preparing preview…");
const QString kUnavailable = QStringLiteral("Preview unavailable. Open the note for details.");

// A grey frame with a diagonal: the preview that could not be made.
QImage makePlaceholder(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xE6, 0xE8, 0xEC));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(0xA0, 0xA4, 0xAC), 1));
    painter.drawRect(0, 0, side - 1, side - 1);
    painter.drawLine(0, side - 1, side - 1, 0);
    return image;
}

} // namespace

LibraryTableModel::LibraryTableModel(LibraryPreviews& previews, QObject* parent)
    : QAbstractTableModel(parent), previews_(previews),
      placeholder_(makePlaceholder(kPreviewSide)) {
    connect(&previews_, &LibraryPreviews::changed, this, &LibraryTableModel::previewChanged);
}

QString LibraryTableModel::dateText(Date date) {
    const QDateTime time =
        QDateTime::fromMSecsSinceEpoch(qint64((date + kReferenceDateUnixSeconds) * 1000.0));
    return QLocale().toString(time.toLocalTime(), QLocale::ShortFormat);
}

void LibraryTableModel::reset(std::vector<const LibraryEntry*> shown, QString query) {
    beginResetModel();
    shown_ = std::move(shown);
    query_ = std::move(query);
    excerpts_.assign(shown_.size(), std::nullopt);
    endResetModel();
}

const LibraryEntry* LibraryTableModel::entry(int row) const {
    return row >= 0 && row < int(shown_.size()) ? shown_[size_t(row)] : nullptr;
}

int LibraryTableModel::rowOf(const QString& path) const {
    for (size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i]->url == path)
            return int(i);
    return -1;
}

int LibraryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_.size());
}

int LibraryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const QString& LibraryTableModel::excerpt(int row) const {
    std::optional<QString>& cached = excerpts_[size_t(row)];
    if (!cached)
        cached = shown_[size_t(row)]->matchingExcerpt(query_);
    return *cached;
}

QVariant LibraryTableModel::previewData(const LibraryEntry& entry, int role) const {
    QImage image;
    const LibraryPreviews::State state = previews_.state(entry, &image);
    switch (role) {
    case Qt::DecorationRole:
        if (state == LibraryPreviews::State::Ready)
            return image.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio,
                                Qt::SmoothTransformation);
        return state == LibraryPreviews::State::Unavailable ? QVariant(placeholder_) : QVariant();
    case Qt::DisplayRole:
        return state == LibraryPreviews::State::Preparing ? kPreparing : QString();
    case Qt::ToolTipRole:
        return state == LibraryPreviews::State::Unavailable ? kUnavailable : QVariant();
    default:
        return {};
    }
}

QVariant LibraryTableModel::data(const QModelIndex& index, int role) const {
    const LibraryEntry* shown = entry(index.row());
    if (!shown)
        return {};
    if (role == PathRole)
        return shown->url;
    if (role == ExcerptRole)
        return excerpt(index.row());
    switch (index.column()) {
    case PreviewColumn:
        return previewData(*shown, role);
    case NoteColumn:
        if (role == Qt::DisplayRole)
            return shown->title + u'\n' + excerpt(index.row());
        if (role == Qt::ToolTipRole)
            return shown->url;
        return {};
    case DateColumn:
        return role == Qt::DisplayRole ? dateText(shown->modifiedAt) : QVariant();
    default:
        return {};
    }
}

QVariant LibraryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PreviewColumn:
        return QStringLiteral("Preview");
    case NoteColumn:
        return QStringLiteral("Note");
    case DateColumn:
        return QStringLiteral("Modified");
    default:
        return {};
    }
}

void LibraryTableModel::previewChanged(const QString& key) {
    for (size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i]->thumbnail && shown_[i]->thumbnail->key == key)
            emit dataChanged(index(int(i), PreviewColumn), index(int(i), PreviewColumn));
}

} // namespace lumbex
