#pragma once

#include <QString>

namespace lumbex {

// A hidden temporary file beside an export's destination, on the same file system so that a
// rename puts it into place. Everything temporary is removed when this goes away, also after a
// failure, so that an earlier file at the destination survives anything but a finished export.
class ExportDestination {
public:
    // ".Lumbex-<UUID><suffix>" beside `destination`; nothing is created yet.
    static ExportDestination file(const QString& destination, const QString& suffix);
    // "<name>" inside a new hidden folder ".Lumbex-<UUID>" beside `destination`, created now
    // (throws the system's reason when it cannot be).
    static ExportDestination folder(const QString& destination, const QString& name);

    ~ExportDestination();
    ExportDestination(ExportDestination&& other) noexcept;
    ExportDestination(const ExportDestination&) = delete;
    ExportDestination& operator=(const ExportDestination&) = delete;
    ExportDestination& operator=(ExportDestination&&) = delete;

    // Where the export is written (a new file: nothing is there yet).
    const QString& path() const { return path_; }
    // Renames the written file over the destination (a symbolic link there is replaced, never
    // followed) and flushes the folder. Throws the system's reason.
    void moveIntoPlace();

private:
    ExportDestination(QString destination, QString temporaryRoot, QString path);

    QString destination_;
    QString temporaryRoot_; // removed at the end: the file, or the folder holding it
    QString path_;
};

} // namespace lumbex
