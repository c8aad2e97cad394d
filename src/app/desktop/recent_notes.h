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

    explicit RecentNotes(QSettings& settings);
    void add(const QString& packagePath);
    // The menu's entries: packages that still exist and are not in the Recently Deleted folder,
    // titled with the note's title as stored in its note.json (the folder name when unreadable).
    std::vector<Entry> entries() const;

private:
    QSettings& settings_;
};

} // namespace lumbex
