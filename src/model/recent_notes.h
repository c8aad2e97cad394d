#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class QSettings;

namespace lumbex {

// The notes opened most recently, newest first, kept in the settings ("recentDocuments").
class RecentNotes {
public:
    static constexpr int kMenuLimit = 12;
    struct Entry {
        QString path;
        QString title;
    };

    // Packages inside `recentlyDeleted` are left out of the entries.
    RecentNotes(QSettings& settings, QString recentlyDeleted);
    void add(const QString& packagePath);
    // The menu's entries: packages that are still folders (not symbolic links) outside the
    // Recently Deleted folder, titled with the note's title as stored in its note.json (the
    // folder name when that cannot be read: not a regular file, over 8 MiB, or not JSON with a
    // title).
    std::vector<Entry> entries() const;

private:
    QSettings& settings_;
    QString recentlyDeleted_;
};

} // namespace lumbex
