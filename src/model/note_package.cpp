#include "model/note_package.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/file_system.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_validation.h"
#include "model/recording_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

// note.json larger than this is refused before it is read.
constexpr qint64 kMaxNoteJsonBytes = qint64(8) << 20;
// Voice notes last at most five minutes; their files stay far below this.
constexpr qint64 kMaxAudioBytes = qint64(128) << 20;

// Reads a regular file with contents, at most `maxBytes`; anything else (missing, a folder, a
// symbolic link, empty, too large, unreadable) is none.
std::optional<QByteArray> readContents(const QString& path, qint64 maxBytes) {
    try {
        const InputFile file(path);
        if (file.size() == 0 || file.size() > maxBytes)
            return std::nullopt;
        return file.readAll(maxBytes);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

// An original image file cannot need more bytes than twice its pixels at four bytes each, plus
// room for metadata; more means damage, and is never read.
qint64 maxOriginalBytes(const Media& media) {
    return qint64(media.width) * qint64(media.height) * 4 * 2 + (1 << 20);
}

std::optional<QByteArray> readNoteJson(const QDir& package) {
    const QString path = package.filePath(PackageLayout::noteFile);
    if (entryKind(path) != EntryKind::File)
        return std::nullopt;
    const InputFile file(path);
    if (file.size() > kMaxNoteJsonBytes)
        fail("The note metadata is too large to open safely.");
    return readContents(path, kMaxNoteJsonBytes);
}

const std::vector<VoiceRecording>& recordingsOf(const CaptureNote& note) {
    static const std::vector<VoiceRecording> none;
    return note.recordings ? *note.recordings : none;
}

// Segment files can be large: link them into the new package instead of copying when possible.
// A source that is not a regular file (a symbolic link above all) is never placed.
void placeSegmentFile(FileSystem& fileSystem, const QString& source, const QString& target) {
    if (entryKind(source) != EntryKind::File)
        fail("A recording segment is missing or damaged. The original note has been kept.");
    if (!fileSystem.hardLink(source, target))
        fileSystem.copyNewFileDurably(source, target);
}

QString digestOf(const Id& mediaID, const QByteArray& bytes, const KnownOriginals& known) {
    const auto it = known.digests.find(mediaID);
    return it != known.digests.end() ? it->second : ImageFiles::hash(bytes);
}

// Links an original that the previous package already holds; false when it cannot (a different
// size means different bytes, and links fail across file systems).
bool linkKnownOriginal(FileSystem& fileSystem, const Media& media, const QByteArray& bytes,
                       const KnownOriginals& known, const QString& target) {
    if (!known.inPackage.contains(media.id))
        return false;
    const QString source =
        QDir(known.package).filePath(PackageLayout::assets + u'/' + media.filename());
    const QFileInfo info(source);
    if (entryKind(source) != EntryKind::File || info.size() != bytes.size())
        return false;
    return fileSystem.hardLink(source, target);
}

} // namespace

void refuseLinkedPackage(const QString& packagePath) {
    if (entryKind(packagePath) == EntryKind::SymbolicLink)
        throw LumbexError(
            QStringLiteral("“%1” is a symbolic link. Open the note it points to instead; nothing "
                           "was changed.")
                .arg(displayFileName(QFileInfo(packagePath).fileName())));
}

NotePackageContents readNotePackage(const QString& packagePath) {
    refuseLinkedPackage(packagePath);
    const QDir package(packagePath);
    const auto json = readNoteJson(package);
    if (!json || entryKind(package.filePath(PackageLayout::assets)) != EntryKind::Folder)
        fail("This is not a complete Lumbex note.");

    NotePackageContents contents;
    contents.note = decodeNoteJson(*json);
    validate(contents.note);

    for (const Media& media : contents.note.media) {
        const auto bytes =
            readContents(package.filePath(PackageLayout::assets + u'/' + media.filename()),
                         maxOriginalBytes(media));
        if (!bytes || ImageFiles::hash(*bytes) != media.sha256)
            fail("An original image is missing or damaged.");
        const QImage image = ImageFiles::image(*bytes);
        if (image.width() != media.width || image.height() != media.height)
            fail("An image does not match its saved dimensions.");
        contents.originals.emplace(media.id, *bytes);
    }

    const QString audioFolder = package.filePath(PackageLayout::audio);
    for (const VoiceRecording& recording : recordingsOf(contents.note)) {
        if (!recording.audioSHA256)
            continue;
        const auto bytes =
            entryKind(audioFolder) == EntryKind::Folder
                ? readContents(audioFolder + u'/' + recording.filename(), kMaxAudioBytes)
                : std::nullopt;
        if (!bytes || sha256Hex(*bytes) != *recording.audioSHA256)
            fail("A voice recording is missing or damaged.");
        contents.audio.emplace(recording.id, *bytes);
    }

    if (const auto& recording = contents.note.screenRecording) {
        const QString videoFolder = package.filePath(PackageLayout::video);
        for (const RecordingSegment& segment : recording->segments) {
            const QString file = videoFolder + u'/' + segment.filename();
            if (entryKind(videoFolder) != EntryKind::Folder)
                fail("A recording segment is missing or damaged. The original note has been kept.");
            RecordingFiles::verify(file, segment);
            contents.videoFiles.emplace(segment.id, file);
        }
    }
    return contents;
}

void buildNotePackage(const NotePackageContents& contents, const QString& folder,
                      const KnownOriginals& known, FileSystem& fileSystem) {
    const CaptureNote& note = contents.note;
    validate(note);
    for (const Media& media : note.media) {
        const auto it = contents.originals.find(media.id);
        if (it == contents.originals.end() || digestOf(media.id, it->second, known) != media.sha256)
            fail("An original image is missing. Your previous save has been kept.");
    }
    for (const VoiceRecording& recording : recordingsOf(note)) {
        if (!recording.audioSHA256)
            continue;
        const auto it = contents.audio.find(recording.id);
        if (it == contents.audio.end() || sha256Hex(it->second) != *recording.audioSHA256)
            fail("A voice recording is missing. Your previous save has been kept.");
    }

    const QDir package(folder);
    fileSystem.makeFolder(folder);
    fileSystem.writeNewFileDurably(package.filePath(PackageLayout::noteFile), encodeNoteJson(note));

    fileSystem.makeFolder(package.filePath(PackageLayout::assets));
    for (const Media& media : note.media) {
        const QString target = package.filePath(PackageLayout::assets + u'/' + media.filename());
        const QByteArray& bytes = contents.originals.at(media.id);
        if (!linkKnownOriginal(fileSystem, media, bytes, known, target))
            fileSystem.writeNewFileDurably(target, bytes);
    }
    fileSystem.syncFolder(package.filePath(PackageLayout::assets));

    fileSystem.makeFolder(package.filePath(PackageLayout::audio));
    for (const VoiceRecording& recording : recordingsOf(note))
        if (recording.audioSHA256)
            fileSystem.writeNewFileDurably(
                package.filePath(PackageLayout::audio + u'/' + recording.filename()),
                contents.audio.at(recording.id));
    fileSystem.syncFolder(package.filePath(PackageLayout::audio));

    if (note.screenRecording && !note.screenRecording->segments.empty()) {
        fileSystem.makeFolder(package.filePath(PackageLayout::video));
        for (const RecordingSegment& segment : note.screenRecording->segments) {
            const auto it = contents.videoFiles.find(segment.id);
            if (it == contents.videoFiles.end())
                fail("A recording segment is missing or damaged. The original note has been kept.");
            placeSegmentFile(fileSystem, it->second,
                             package.filePath(PackageLayout::video + u'/' + segment.filename()));
        }
        fileSystem.syncFolder(package.filePath(PackageLayout::video));
    }
    fileSystem.syncFolder(folder);
}

LumbexError packageWriteError(const QString& packagePath, const LumbexError& failure,
                              bool previousKept) {
    if (failure.systemError() == 0)
        return failure;
    return LumbexError(
        QStringLiteral("Could not save “%1”: %2.%3")
            .arg(displayFileName(QFileInfo(packagePath).fileName()),
                 systemErrorText(failure.systemError()),
                 previousKept ? QStringLiteral(" Your previous save has been kept.") : QString()),
        failure.systemError());
}

void createNotePackage(const NotePackageContents& contents, const QString& packagePath) {
    if (entryKind(packagePath) != EntryKind::Missing)
        throw LumbexError(
            QStringLiteral(
                "“%1” already exists. Choose another name; the existing file has been kept.")
                .arg(displayFileName(QFileInfo(packagePath).fileName())));
    const QString staging = temporarySibling(packagePath, QStringLiteral("saving"));
    try {
        buildNotePackage(contents, staging);
        renameNoReplace(staging, packagePath);
        syncFolder(QFileInfo(packagePath).absolutePath());
    } catch (const LumbexError& failure) {
        removePath(staging);
        throw packageWriteError(packagePath, failure, false);
    } catch (...) {
        removePath(staging);
        throw;
    }
}

} // namespace lumbex
