#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "cloud/cloud_store.h"
#include "core/error.h"
#include "core/files.h"
#include "core/ids.h"
#include "model/note_coding.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "model/note_validation.h"

#include <QDir>
#include <QFileInfo>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

constexpr qint64 kMaxMetadataBytes = qint64(8) << 20;

// Builds the new local package from the cloud files: a new identity and new dates, files copied
// (cloned where possible) into a temporary folder, read back in full and moved into place.
QString installLocal(const CaptureNote& cloudNote, const QString& cloudPackage,
                     const QString& library) {
    CaptureNote note = cloudNote;
    note.id = newId();
    note.createdAt = note.modifiedAt = now();
    validate(note);

    makeFolders(library);
    const QString target = newPackagePath(library, note.id);
    const QString building = temporarySibling(target, QStringLiteral("import"));
    try {
        makeFolder(building);
        writeNewFileDurably(building + QStringLiteral("/note.json"), encodeNoteJson(note));
        makeFolder(building + QStringLiteral("/assets"));
        makeFolder(building + QStringLiteral("/audio"));
        for (const Media& media : note.media)
            CloudFiles::copy(
                CloudFiles::resolve(cloudPackage, QStringLiteral("assets/") + media.filename()),
                building + QStringLiteral("/assets/") + media.filename());
        if (note.recordings)
            for (const VoiceRecording& recording : *note.recordings)
                if (recording.audioSHA256)
                    CloudFiles::copy(CloudFiles::resolve(cloudPackage, QStringLiteral("audio/") +
                                                                           recording.filename()),
                                     building + QStringLiteral("/audio/") + recording.filename());
        if (note.screenRecording)
            for (const RecordingSegment& segment : note.screenRecording->segments)
                CloudFiles::copy(CloudFiles::resolve(cloudPackage,
                                                     QStringLiteral("video/") + segment.filename()),
                                 building + QStringLiteral("/video/") + segment.filename());
        syncFolder(building);
        readNotePackage(building);
        renameNoReplace(building, target);
    } catch (...) {
        removePath(building);
        throw;
    }
    syncFolder(library);
    return target;
}

} // namespace

namespace CloudStore {

QString importRevision(const QString& manifest, const QString& library) {
    const CloudRevision revision = CloudCoding::decodeRevision(
        readFile(manifest, kMaxMetadataBytes, QString::fromUtf8(CloudMessages::unsupported)));
    revision.validate();
    // The manifest lies at <root>/Notes/<NOTE>.capturenote/revisions/<ID>.json.
    const QString root =
        QDir::cleanPath(QFileInfo(manifest).absolutePath() + QStringLiteral("/../../.."));
    const QString expected = CloudFiles::resolve(root, revision.manifestPath());
    if (QFileInfo(expected).canonicalFilePath() != QFileInfo(manifest).canonicalFilePath())
        fail(CloudMessages::unsupported);
    for (const CloudFile& file : revision.files) {
        requireLocal(itemOf(root, file.path));
        CloudFiles::verify(root, file);
    }
    const QByteArray metadata =
        readFile(CloudFiles::resolve(root, revision.metadata), kMaxMetadataBytes);
    if (CloudRevision::contentHash(metadata, revision.includesVoiceAudio, revision.readerVersion) !=
        revision.contentSHA256)
        fail(CloudMessages::revisionMismatch);
    const CaptureNote note = decodeNoteJson(metadata);
    validate(note);
    if (note.id != revision.noteID)
        fail(CloudMessages::otherNote);
    return installLocal(note, CloudFiles::resolve(root, revision.noteFolder()), library);
}

QString importPackage(const QString& cloudPackage, const QString& library) {
    if (entryKind(cloudPackage) != EntryKind::Folder)
        fail(CloudMessages::unsupported);
    requireLocal(cloudPackage);
    const QString pointer = cloudPackage + QStringLiteral("/note.json");
    const InputFile file(pointer);
    if (file.size() > kMaxMetadataBytes)
        fail(CloudMessages::cloudMetadataTooLarge);
    const CaptureNote note = decodeNoteJson(file.readAll(kMaxMetadataBytes));
    validate(note);
    return installLocal(note, cloudPackage, library);
}

} // namespace CloudStore
} // namespace lumbex
