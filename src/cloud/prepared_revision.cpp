#include "cloud/prepared_revision.h"

#include "canvas/rendering.h"
#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "cloud/review_pdf.h"
#include "core/error.h"
#include "core/files.h"
#include "core/json_read.h"
#include "core/json_writer.h"
#include "core/sha256.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_validation.h"
#include "model/recording_files.h"
#include "model/recording_keys.h"

#include <QDir>
#include <QUuid>
#include <QtConcurrent>
#include <exception>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

// A folder under construction that removes itself unless it was moved into place.
class PreparingFolder {
public:
    explicit PreparingFolder(QString path) : path_(std::move(path)) { makeFolders(path_); }
    ~PreparingFolder() {
        if (!path_.isEmpty())
            removePath(path_);
    }
    const QString& path() const { return path_; }
    void release() { path_.clear(); }

private:
    QString path_;
};

// Collects the files of the revision as they are written.
class Builder {
public:
    explicit Builder(QString root) : root_(std::move(root)) {}

    QString place(const QString& relative) const {
        const QString file = root_ + u'/' + relative;
        makeFolders(QFileInfo(file).absolutePath());
        return file;
    }
    void write(const QString& relative, const QByteArray& bytes) {
        writeNewFileDurably(place(relative), bytes);
        recordFile(relative);
    }
    void copy(const QString& from, const QString& relative) {
        CloudFiles::copy(from, root_ + u'/' + relative);
        recordFile(relative);
    }
    void recordFile(const QString& relative) {
        files_.push_back(CloudFiles::record(relative, root_ + u'/' + relative));
    }
    std::vector<CloudFile>& files() { return files_; }

private:
    QString root_;
    std::vector<CloudFile> files_;
};

const std::vector<VoiceRecording>& recordingsOf(const CaptureNote& note) {
    static const std::vector<VoiceRecording> none;
    return note.recordings ? *note.recordings : none;
}

std::optional<PreparedCloudRevision> queued(const QString& folder, const QString& manifestPath,
                                            const QString& contentSHA256, bool includeVoiceAudio) {
    const EntryKind kind = entryKind(folder);
    if (kind == EntryKind::Missing)
        return std::nullopt;
    try {
        const QString manifestFile = CloudFiles::resolve(folder, manifestPath);
        PreparedCloudRevision prepared{
            folder, CloudCoding::decodeRevision(readFile(manifestFile, qint64(8) << 20)),
            CloudFiles::record(manifestPath, manifestFile)};
        if (prepared.revision.contentSHA256 == contentSHA256 &&
            prepared.revision.includesVoiceAudio == includeVoiceAudio) {
            prepared.verify();
            return prepared;
        }
    } catch (const LumbexError&) {
    }
    fail(CloudMessages::queuedChanged);
}

struct ReaderImage {
    QByteArray png;
    std::exception_ptr failure;
};

// One media rendered with its annotations and redactions, as a PNG; a failure is carried back to
// the preparing thread.
ReaderImage readerImage(const CaptureNote& note, const Media& media,
                        const std::map<Id, QByteArray>& originals) {
    try {
        return {
            ImageFiles::encode(
                Rendering::render(note, media, originals.at(media.id), false, std::nullopt), false),
            nullptr};
    } catch (...) {
        return {{}, std::current_exception()};
    }
}

// The reader video from the cache of earlier exports, exporting it there first when the cache
// has no movie that matches its record.
QString readerVideo(const ScreenRecording& recording, const QString& segmentFolder,
                    const QString& queue, const ReaderFileWriters& writers) {
    const QString key = editKey(recording);
    const QString movies = queue + QStringLiteral("/Movies");
    const QString movie = movies + u'/' + key + QStringLiteral(".mp4");
    const QString sidecar = movie + QStringLiteral(".json");
    try {
        const CloudFile remembered =
            CloudCoding::decodeFile(parseJsonObject(readFile(sidecar, 1 << 16)));
        if (CloudFiles::record(remembered.path, movie) == remembered)
            return movie;
    } catch (const LumbexError&) {
    }
    if (!writers.exportVideo)
        throw LumbexError(QStringLiteral("The reader video cannot be made on this computer."));
    makeFolders(movies);
    const QString fresh = temporarySibling(movie, QStringLiteral("export"));
    try {
        writers.exportVideo(recording, segmentFolder, fresh);
        removePath(movie);
        renameNoReplace(fresh, movie);
    } catch (...) {
        removePath(fresh);
        throw;
    }
    JsonWriter out(JsonWriter::Style::Pretty);
    CloudCoding::write(out, CloudFiles::record(key + QStringLiteral(".mp4"), movie));
    writeFileAtomically(sidecar, out.take());
    return movie;
}

} // namespace

ReaderFileWriters standardReaderWriters(
    std::function<void(const ScreenRecording&, const QString&, const QString&)> exportVideo) {
    return {reviewVisibleMedia, writeReviewPdf, std::move(exportVideo)};
}

CaptureNote cloudNote(const CaptureNote& note, bool includeVoiceAudio) {
    CaptureNote copy = note;
    if (!includeVoiceAudio)
        copy.recordings.reset();
    for (Media& media : copy.media)
        media.recognition.reset();
    return copy;
}

QString reviewFolderPath(const CaptureNote& note) {
    return QStringLiteral("Reviews/") + CloudFiles::safeTitle(note.title) + u'-' +
           idString(note.id).left(8);
}

PreparedCloudRevision PreparedCloudRevision::prepare(const CloudSnapshotInput& input,
                                                     bool includeVoiceAudio, const QString& queue,
                                                     const ReaderFileWriters& writers) {
    const CaptureNote note = cloudNote(input.note, includeVoiceAudio);
    validate(note);

    const QByteArray metadata = encodeNoteJson(note);
    CloudRevision revision;
    revision.noteID = note.id;
    revision.revision = note.revision;
    revision.readerVersion = CloudRevision::currentReaderVersion;
    revision.contentSHA256 =
        CloudRevision::contentHash(metadata, includeVoiceAudio, revision.readerVersion);
    revision.identifier = CloudRevision::makeIdentifier(note.revision, revision.contentSHA256);
    revision.modifiedAt = note.modifiedAt;
    revision.includesVoiceAudio = includeVoiceAudio;
    const QString noteFolder = revision.noteFolder();
    const QString reviews = reviewFolderPath(note);
    revision.metadata = noteFolder + QStringLiteral("/revisions/") + revision.identifier +
                        QStringLiteral(".note.json");
    revision.readerPDF = reviews + u'/' + revision.identifier + QStringLiteral(".pdf");

    const QString noteQueue = queue + u'/' + idString(note.id);
    const QString finalFolder = noteQueue + u'/' + revision.identifier;
    if (auto reused =
            queued(finalFolder, revision.manifestPath(), revision.contentSHA256, includeVoiceAudio))
        return *reused;

    makeFolders(noteQueue);
    PreparingFolder folder(noteQueue + QStringLiteral("/.preparing-") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    Builder build(folder.path());

    for (const Media& media : note.media) {
        const auto it = input.originals.find(media.id);
        if (it == input.originals.end() || sha256Hex(it->second) != media.sha256)
            fail(CloudMessages::originalMissing);
        build.write(noteFolder + QStringLiteral("/assets/") + media.filename(), it->second);
    }
    if (includeVoiceAudio)
        for (const VoiceRecording& recording : recordingsOf(note)) {
            if (!recording.audioSHA256)
                continue;
            const auto it = input.audio.find(recording.id);
            if (it == input.audio.end() || sha256Hex(it->second) != *recording.audioSHA256)
                fail(CloudMessages::voiceMissing);
            build.write(noteFolder + QStringLiteral("/audio/") + recording.filename(), it->second);
        }
    const QString segmentFolder = folder.path() + u'/' + noteFolder + QStringLiteral("/video");
    if (note.screenRecording)
        for (const RecordingSegment& segment : note.screenRecording->segments) {
            const auto it = input.videoFiles.find(segment.id);
            if (it == input.videoFiles.end())
                fail("A recording segment is missing or damaged. The original note has been kept.");
            RecordingFiles::verify(it->second, segment);
            build.copy(it->second, noteFolder + QStringLiteral("/video/") + segment.filename());
        }
    build.write(revision.metadata, metadata);

    // The PDF and the reader images are independent and each is heavy: they are drawn at once.
    const QString pdf = build.place(revision.readerPDF);
    QFuture<std::exception_ptr> pdfDone = QtConcurrent::run([&]() -> std::exception_ptr {
        try {
            writers.writePDF(note, input.originals, u'r' + QString::number(note.revision), pdf);
            return nullptr;
        } catch (...) {
            return std::current_exception();
        }
    });
    const std::vector<Media> visible = writers.visibleMedia(note);
    const std::vector<ReaderImage> images = QtConcurrent::blockingMapped<std::vector<ReaderImage>>(
        visible, [&](const Media& media) { return readerImage(note, media, input.originals); });
    if (const std::exception_ptr failure = pdfDone.result())
        std::rethrow_exception(failure);
    build.recordFile(revision.readerPDF);
    for (size_t i = 0; i < visible.size(); ++i) {
        if (images[i].failure)
            std::rethrow_exception(images[i].failure);
        build.write(reviews + QStringLiteral("/Images/") + idString(visible[i].id) + u'-' +
                        sha256Hex(images[i].png).left(12) + QStringLiteral(".png"),
                    images[i].png);
    }

    if (note.screenRecording && !note.screenRecording->segments.empty()) {
        const QString movie = readerVideo(*note.screenRecording, segmentFolder, queue, writers);
        revision.readerVideo = reviews + QStringLiteral("/video-") +
                               editKey(*note.screenRecording).left(16) + QStringLiteral(".mp4");
        build.copy(movie, *revision.readerVideo);
    }

    revision.files = std::move(build.files());
    revision.validate();
    const QString manifestFile = build.place(revision.manifestPath());
    writeFileAtomically(manifestFile, CloudCoding::encode(revision));
    PreparedCloudRevision prepared{finalFolder, revision,
                                   CloudFiles::record(revision.manifestPath(), manifestFile)};
    syncFolder(folder.path());
    renameNoReplace(folder.path(), finalFolder);
    folder.release();
    syncFolder(noteQueue);
    return prepared;
}

void PreparedCloudRevision::verify() const {
    revision.validate();
    // The queue is this computer's own: files unchanged since their last check answer from the
    // remembered digests, so an unchanged note republishes without hashing its images again.
    CloudVerification& memory = CloudVerification::shared();
    memory.verify(manifest, CloudFiles::resolve(directory, manifest.path));
    for (const CloudFile& file : revision.files)
        memory.verify(file, CloudFiles::resolve(directory, file.path));
}

} // namespace lumbex
