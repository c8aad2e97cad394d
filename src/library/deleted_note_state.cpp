#include "library/deleted_note_state.h"

#include <algorithm>
#include <cmath>

namespace lumbex {

QString deletedNoteStateLine(const DeletedNote& e, bool jobRunning, Date now) {
    if (jobRunning)
        return e.restoring ? QStringLiteral("Restoring…")
                           : QStringLiteral("Updating deleted copies…");
    if (e.error)
        return *e.error;
    if (!e.localArchived)
        return QStringLiteral("Deletion not finished · Retry or restore");
    if (e.restoring)
        return QStringLiteral("Restored on this computer · sync folder restore pending");
    if (e.expiredToTrash)
        return QStringLiteral("Recovered from Trash · Restore to use this note");
    // An entry kept past its date (waiting for the sync folder) shows none left, not a negative.
    const double days = std::max(0.0, std::ceil((e.expiresAt() - now) / 86400.0));
    QString where;
    if (e.removeCloudCopies)
        where = e.cloudArchived ? QStringLiteral("Includes sync folder copies")
                                : QStringLiteral("Sync folder removal pending");
    else
        where = e.hasCloudReceipt() ? QStringLiteral("Existing sync folder copies kept")
                                    : QStringLiteral("On this computer");
    return QString::number(qint64(days)) + QStringLiteral(" days remaining · ") + where;
}

bool deletedNoteRetryable(const DeletedNote& e, Date now) {
    return e.error || e.restoring || !e.localArchived ||
           (e.removeCloudCopies && !e.cloudArchived) || (!e.expiredToTrash && e.expiresAt() <= now);
}

bool deletedNoteNeedsWork(const DeletedNote& e, Date now) {
    if (e.restoring || e.expiredToTrash)
        return false;
    const bool unfinished = !e.localArchived || (e.removeCloudCopies && !e.cloudArchived);
    return unfinished || e.expiresAt() <= now;
}

QString deletedNotesStatus(int count, int unreadable) {
    QString text =
        QString::number(count) + (count == 1 ? QStringLiteral(" note") : QStringLiteral(" notes"));
    if (unreadable > 0)
        text +=
            QStringLiteral(" · ") + QString::number(unreadable) + QStringLiteral(" unavailable");
    return text;
}

QString deletedNotesUnreadableTip(const QString& root) {
    return QStringLiteral("Some saved records could not be read. Their files have been kept in ") +
           root;
}

} // namespace lumbex
