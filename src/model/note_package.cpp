#include "model/note_package.h"

#include "core/error.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_validation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

// Reads a regular file with contents; anything else (missing, a folder, empty, unreadable) is
// none.
std::optional<QByteArray> readContents(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

const std::vector<VoiceRecording>& recordingsOf(const CaptureNote& note) {
    static const std::vector<VoiceRecording> none;
    return note.recordings ? *note.recordings : none;
}

void makeFolder(const QString& path) {
    if (!QDir().mkdir(path))
        throw LumbexError(
            QStringLiteral("Could not create the folder “%1”.").arg(QFileInfo(path).fileName()));
}

// Segment files can be large: link them into the new package instead of copying when possible.
void placeSegmentFile(const QString& source, const QString& target) {
    if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0)
        return;
    if (!QFile::copy(source, target))
        fail("A recording segment is missing or damaged. The original note has been kept.");
}

QString digestOf(const Id& mediaID, const QByteArray& bytes, const KnownOriginals& known) {
    const auto it = known.digests.find(mediaID);
    return it != known.digests.end() ? it->second : ImageFiles::hash(bytes);
}

// Links an original that the previous package already holds; false when it cannot (a different
// size means different bytes, and links fail across file systems).
bool linkKnownOriginal(const Media& media, const QByteArray& bytes, const KnownOriginals& known,
                       const QString& target) {
    if (!known.inPackage.contains(media.id))
        return false;
    const QString source =
        QDir(known.package).filePath(PackageLayout::assets + u'/' + media.filename());
    const QFileInfo info(source);
    if (!info.isFile() || info.isSymLink() || info.size() != bytes.size())
        return false;
    return ::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) ==
           0;
}

} // namespace

NotePackageContents readNotePackage(const QString& packagePath) {
    const QDir package(packagePath);
    const auto json = readContents(package.filePath(PackageLayout::noteFile));
    if (!json || !QFileInfo(package.filePath(PackageLayout::assets)).isDir())
        fail("This is not a complete Lumbex note.");

    NotePackageContents contents;
    contents.note = decodeNoteJson(*json);
    validate(contents.note);

    for (const Media& media : contents.note.media) {
        const auto bytes =
            readContents(package.filePath(PackageLayout::assets + u'/' + media.filename()));
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
        const auto bytes = readContents(audioFolder + u'/' + recording.filename());
        if (!QFileInfo(audioFolder).isDir() || !bytes ||
            sha256Hex(*bytes) != *recording.audioSHA256)
            fail("A voice recording is missing or damaged.");
        contents.audio.emplace(recording.id, *bytes);
    }

    if (const auto& recording = contents.note.screenRecording)
        for (const RecordingSegment& segment : recording->segments)
            contents.videoFiles.emplace(
                segment.id, package.filePath(PackageLayout::video + u'/' + segment.filename()));
    return contents;
}

void buildNotePackage(const NotePackageContents& contents, const QString& folder,
                      const KnownOriginals& known) {
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
    makeFolder(folder);
    writeNewFileDurably(package.filePath(PackageLayout::noteFile), encodeNoteJson(note));

    makeFolder(package.filePath(PackageLayout::assets));
    for (const Media& media : note.media) {
        const QString target = package.filePath(PackageLayout::assets + u'/' + media.filename());
        const QByteArray& bytes = contents.originals.at(media.id);
        if (!linkKnownOriginal(media, bytes, known, target))
            writeNewFileDurably(target, bytes);
    }
    syncFolder(package.filePath(PackageLayout::assets));

    makeFolder(package.filePath(PackageLayout::audio));
    for (const VoiceRecording& recording : recordingsOf(note))
        if (recording.audioSHA256)
            writeNewFileDurably(
                package.filePath(PackageLayout::audio + u'/' + recording.filename()),
                contents.audio.at(recording.id));
    syncFolder(package.filePath(PackageLayout::audio));

    if (note.screenRecording && !note.screenRecording->segments.empty()) {
        makeFolder(package.filePath(PackageLayout::video));
        for (const RecordingSegment& segment : note.screenRecording->segments) {
            const auto it = contents.videoFiles.find(segment.id);
            if (it == contents.videoFiles.end())
                fail("A recording segment is missing or damaged. The original note has been kept.");
            placeSegmentFile(it->second,
                             package.filePath(PackageLayout::video + u'/' + segment.filename()));
        }
        syncFolder(package.filePath(PackageLayout::video));
    }
    syncFolder(folder);
}

void createNotePackage(const NotePackageContents& contents, const QString& packagePath) {
    const QFileInfo target(packagePath);
    if (target.exists() || target.isSymLink())
        throw LumbexError(
            QStringLiteral(
                "“%1” already exists. Choose another name; the existing file has been kept.")
                .arg(target.fileName()));
    const QString staging = temporarySibling(packagePath, QStringLiteral("saving"));
    try {
        buildNotePackage(contents, staging);
        renameNoReplace(staging, packagePath);
        syncFolder(target.absolutePath());
    } catch (...) {
        removePath(staging);
        throw;
    }
}

} // namespace lumbex
