#pragma once

#include "core/sha256.h"
#include "model/note_fixtures.h"
#include "recording/recording_journal.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

// A recording folder on disk for the recovery and pending-recording tests: segment files of
// arbitrary bytes (only their size and digest are checked) and the journal that names them.
namespace lumbex::test {

// Bytes that differ for every index, so that swapped or damaged files are told apart.
inline QByteArray segmentBytes(int index, qsizetype size = 3000) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + index * 7 + i / 11) & 0xFF);
    return bytes;
}

class RecordingFolder {
public:
    QString path() const { return folder_.path(QStringLiteral("recording")); }
    QString file(const QString& name) const { return QDir(path()).filePath(name); }
    QString segmentFile(const Id& id) const { return file(idString(id) + QStringLiteral(".mov")); }
    // A place outside the recording folder.
    QString outside(const QString& name) const { return folder_.path(name); }

    RecordingFolder() { QDir().mkpath(path()); }

    // Writes a segment file and returns the segment that describes it exactly.
    RecordingSegment addSegment(int index, qint64 duration) const {
        const QByteArray bytes = segmentBytes(index);
        RecordingSegment segment = makeSegment(duration);
        segment.byteCount = bytes.size();
        segment.sha256 = sha256Hex(bytes);
        writeFile(file(segment.filename()), bytes);
        return segment;
    }

    // A completed recording of `durations.size()` intact segments.
    RecordingJournal journal(const std::vector<qint64>& durations) const {
        RecordingJournal journal = RecordingJournal::make();
        for (size_t i = 0; i < durations.size(); ++i)
            journal.recording.segments.push_back(addSegment(int(i), durations[i]));
        journal.completed = true;
        return journal;
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write a test file");
    }

    // Every entry below the folder (links, folders and files alike) with the bytes of files.
    std::map<QString, QByteArray> snapshot() const {
        std::map<QString, QByteArray> entries = treeOf(path());
        QDirIterator it(path(),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString entry = it.next();
            const QFileInfo info = it.fileInfo();
            entries.emplace(QStringLiteral("entry:") + QDir(path()).relativeFilePath(entry),
                            info.isSymLink() ? QFile::symLinkTarget(entry).toUtf8()
                                             : QByteArray::number(info.size()));
        }
        return entries;
    }

private:
    TemporaryFolder folder_;
};

} // namespace lumbex::test
