#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace lumbex {

// Moves a file or folder to the desktop's Trash, from where the person can put it back.
class Trash {
public:
    virtual ~Trash() = default;
    // Throws LumbexError, leaving the item where it was, when it cannot be trashed. Returns the
    // item's path inside the Trash.
    virtual QString moveToTrash(const QString& path) = 0;
};

// The freedesktop.org Trash: items on the file system of the home trash go to
// "$XDG_DATA_HOME/Trash" (by default ~/.local/share/Trash); items on another file system go to
// that file system's "$topdir/.Trash/$uid" when an administrator prepared it (a sticky folder,
// not a link), else "$topdir/.Trash-$uid". Each item gets "info/<name>.trashinfo", created
// exclusively before the item moves to "files/<name>", so that no two deletions share a name.
// An item is never copied across file systems: it stays where it was when no trash on its own
// file system can take it.
class FreedesktopTrash : public Trash {
public:
    // `home` is the home trash folder; empty means "$XDG_DATA_HOME/Trash". `clock` gives the
    // deletion date, local time (tests fix it).
    explicit FreedesktopTrash(QString home = {},
                              std::function<QDateTime()> clock = &QDateTime::currentDateTime);
    QString moveToTrash(const QString& path) override;

    // The contents of a .trashinfo file for `path` (absolute, or relative to the trash's top
    // folder) deleted at `when` (local time, no zone).
    static QByteArray trashInfo(const QString& path, const QDateTime& when);

private:
    QString home_;
    std::function<QDateTime()> clock_;
};

} // namespace lumbex
