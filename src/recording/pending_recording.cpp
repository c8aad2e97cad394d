#include "recording/pending_recording.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/folder_handle.h"
#include "core/sha256.h"
#include "recording/recording_journal.h"

#include <QDir>
#include <QSettings>
#include <QVariantMap>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace lumbex {
namespace {

const QString kReviewedKey = QStringLiteral("reviewedScreenRecordingJournals");
const QString kUnrecognizedTitle = QStringLiteral("Unrecognized Recording");

// Journals are small; anything larger is not read at launch.
constexpr qint64 kMaxJournalBytes = 1'048'576;

QString canonicalPath(const QString& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(encodeFileName(path).constData(), nullptr), &std::free);
    if (resolved)
        return decodeFileName(resolved.get());
    return QDir::cleanPath(QDir(path).absolutePath());
}

Date modificationDate(const QString& file) {
    struct stat status {};
    if (::lstat(encodeFileName(file).constData(), &status) != 0)
        return kDistantPast;
    return double(status.st_mtim.tv_sec) + double(status.st_mtim.tv_nsec) / 1e9 -
           kReferenceDateUnixSeconds;
}

PendingRecording unrecognized(const QString& folder, const QString& journalFile) {
    return {folder, kUnrecognizedTitle, modificationDate(journalFile),
            QStringLiteral("Recording information could not be read. Original files are "
                           "available in Show Files."),
            std::nullopt};
}

QString detailOf(const RecordingJournal& journal) {
    if (journal.version != 1)
        return QStringLiteral("This recording needs a newer version of Lumbex.");
    if (!journal.activeSegment)
        return QStringLiteral("Saved recording files · Review the recovered footage before using "
                              "it.");
    return QStringLiteral("Interrupted recording · The final moments may be missing.");
}

} // namespace

QString pendingRecordingsFolder(const QString& libraryFolder) {
    return QDir(libraryFolder).filePath(QStringLiteral("Pending Recordings"));
}

QString PendingRecording::key() const {
    return canonicalPath(directory);
}

std::optional<PendingRecording> PendingRecording::read(const QString& folder) {
    if (entryKind(folder) != EntryKind::Folder)
        return std::nullopt;
    const QString journalFile = QDir(folder).filePath(kRecordingJournalFile);
    if (entryKind(journalFile) != EntryKind::File)
        return std::nullopt;
    QByteArray bytes;
    RecordingJournal journal;
    try {
        bytes = readFile(journalFile, kMaxJournalBytes);
        journal = RecordingJournal::decodeAnyVersion(bytes);
    } catch (const LumbexError&) {
        return unrecognized(folder, journalFile);
    }
    const QString title = journal.recording.title.trimmed();
    return PendingRecording{folder, title.isEmpty() ? kUnrecognizedTitle : title,
                            journal.recording.createdAt, detailOf(journal), sha256Hex(bytes)};
}

std::vector<PendingRecording> PendingRecording::discover(const QString& root,
                                                         const std::map<QString, QString>& reviewed,
                                                         const QString& excluding) {
    if (entryKind(root) == EntryKind::Missing)
        return {};
    const FolderHandle folder = FolderHandle::open(root);
    const QString excludedKey = excluding.isEmpty() ? QString() : canonicalPath(excluding);
    std::vector<std::pair<QString, PendingRecording>> found;
    for (const QString& name : folder.entries()) {
        std::optional<PendingRecording> pending = read(QDir(root).filePath(name));
        if (!pending)
            continue;
        const QString key = pending->key();
        if (key == excludedKey)
            continue;
        const auto seen = reviewed.find(key);
        if (pending->signature && seen != reviewed.end() && seen->second == *pending->signature)
            continue;
        found.emplace_back(key, std::move(*pending));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.second.createdAt != b.second.createdAt)
            return a.second.createdAt > b.second.createdAt;
        return a.first < b.first;
    });
    std::vector<PendingRecording> result;
    result.reserve(found.size());
    for (auto& entry : found)
        result.push_back(std::move(entry.second));
    return result;
}

std::map<QString, QString> PendingRecording::reviewed(QSettings& settings) {
    std::map<QString, QString> out;
    const QVariantMap stored = settings.value(kReviewedKey).toMap();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        if (it.value().typeId() == QMetaType::QString)
            out.emplace(it.key(), it.value().toString());
    return out;
}

void PendingRecording::rememberSavedCopy(QSettings& settings) const {
    if (!signature)
        return;
    const std::optional<PendingRecording> now = read(directory);
    if (!now || now->signature != signature)
        return;
    QVariantMap stored = settings.value(kReviewedKey).toMap();
    stored.insert(key(), *signature);
    settings.setValue(kReviewedKey, stored);
}

} // namespace lumbex
