#include "voice/voice_recovery_draft.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace lumbex {
namespace {

const QString kJournalName = QStringLiteral("voice.json");
const QString kAudioName = QStringLiteral("audio.caf");

QString alreadyExists() {
    return QStringLiteral("This voice draft already exists. Its audio has been kept.");
}
QString movedOrReplaced() {
    return QStringLiteral("The voice recovery folder was moved or replaced. Its files have been "
                          "kept.");
}
QString invalidFile() {
    return QStringLiteral("The voice recovery file is incomplete or invalid. Its files have been "
                          "kept.");
}
QString mismatch() {
    return QStringLiteral("This voice draft does not match the recording. Its files have been "
                          "kept.");
}
QString unreadableAudio() {
    return QStringLiteral("The interrupted voice recording cannot be read safely. Its draft has "
                          "been kept.");
}
QString endsEarly() {
    return QStringLiteral("The voice recording ends before its declared audio. Its draft has been "
                          "kept.");
}

std::optional<QString> realPath(const QString& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(encodeFileName(path).constData(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return decodeFileName(resolved.get());
}

void makePrivateFolder(const QString& path) {
    if (::mkdir(encodeFileName(path).constData(), 0700) != 0 && errno != EEXIST)
        throw LumbexError(
            QStringLiteral("Couldn’t create the folder “%1”: %2").arg(path, systemErrorText(errno)),
            errno);
}

// The journal's keys in their fixed order: version, documentID, recordingID.
QByteArray journalBytes(const Id& documentID, const Id& recordingID) {
    return QStringLiteral("{\"version\":1,\"documentID\":\"%1\",\"recordingID\":\"%2\"}\n")
        .arg(idString(documentID), idString(recordingID))
        .toUtf8();
}

// Deletes the temporary copy of a recovered audio file however recovery ends.
struct TemporaryFile {
    QString path;
    ~TemporaryFile() { removePath(path); }
};

} // namespace

VoiceRecoveryDraft::VoiceRecoveryDraft(const Id& documentID, const Id& recordingID, QString root)
    : documentID_(documentID), recordingID_(recordingID),
      root_(QDir::cleanPath(QFileInfo(root).absoluteFilePath())) {}

QString VoiceRecoveryDraft::defaultRoot(const QString& libraryFolder) {
    const QFileInfo info(QDir::cleanPath(QFileInfo(libraryFolder).absoluteFilePath()));
    const bool preview = info.fileName() == u"Voice Preview Notes";
    return info.absolutePath() + u'/' +
           (preview ? QStringLiteral("Voice Preview Drafts") : QStringLiteral("Voice Drafts"));
}

QString VoiceRecoveryDraft::directory() const {
    return root_ + u'/' + idString(documentID_) + u'/' + idString(recordingID_);
}

QString VoiceRecoveryDraft::audioPath() const {
    return directory() + u'/' + kAudioName;
}

QString VoiceRecoveryDraft::journalPath() const {
    return directory() + u'/' + kJournalName;
}

bool VoiceRecoveryDraft::exists() const {
    return entryKind(directory()) != EntryKind::Missing;
}

void VoiceRecoveryDraft::create() const {
    if (exists())
        throw LumbexError(alreadyExists());
    makeFolders(root_);
    makePrivateFolder(root_ + u'/' + idString(documentID_));
    if (::mkdir(encodeFileName(directory()).constData(), 0700) != 0) {
        if (errno == EEXIST)
            throw LumbexError(alreadyExists());
        throw LumbexError(QStringLiteral("Couldn’t create the folder “%1”: %2")
                              .arg(directory(), systemErrorText(errno)),
                          errno);
    }
    // mkdir's mode is narrowed by the umask only, but say it outright.
    ::chmod(encodeFileName(directory()).constData(), 0700);
    verifyDirectory();
    writeFileAtomically(journalPath(), journalBytes(documentID_, recordingID_));
}

void VoiceRecoveryDraft::verifyDirectory() const {
    const std::optional<QString> resolvedRoot = realPath(root_);
    if (!resolvedRoot)
        throw LumbexError(movedOrReplaced());
    const QString expected = QDir::cleanPath(*resolvedRoot + u'/' + idString(documentID_) + u'/' +
                                             idString(recordingID_));
    if (entryKind(directory()) != EntryKind::Folder)
        throw LumbexError(movedOrReplaced());
    const std::optional<QString> resolved = realPath(directory());
    if (!resolved || *resolved != expected)
        throw LumbexError(movedOrReplaced());
}

void VoiceRecoveryDraft::verifyFile(const QString& path, qint64 maximumBytes) {
    struct stat status {};
    if (::lstat(encodeFileName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size < 1 || status.st_size > maximumBytes)
        throw LumbexError(invalidFile());
}

void VoiceRecoveryDraft::readJournal() const {
    verifyDirectory();
    verifyFile(journalPath(), kMaximumJournalBytes);
    QByteArray bytes;
    try {
        bytes = readFile(journalPath(), kMaximumJournalBytes);
    } catch (const LumbexError&) {
        throw LumbexError(invalidFile());
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw LumbexError(invalidFile());
    const QJsonObject journal = document.object();
    const QJsonValue version = journal.value(u"version");
    const std::optional<Id> document_ = parseId(journal.value(u"documentID").toString());
    const std::optional<Id> recording = parseId(journal.value(u"recordingID").toString());
    if (!version.isDouble() || version.toDouble() != 1 || document_ != documentID_ ||
        recording != recordingID_)
        throw LumbexError(mismatch());
}

VoiceRecoveryDraft::Recovered VoiceRecoveryDraft::recover(const AudioFileOpener& open) const {
    readJournal();
    verifyFile(audioPath(), kMaximumAudioBytes);
    Recovered recovered;
    try {
        recovered.data = readFile(audioPath(), kMaximumAudioBytes);
    } catch (const LumbexError&) {
        throw LumbexError(invalidFile());
    }
    if (recovered.data.isEmpty())
        throw LumbexError(invalidFile());

    const TemporaryFile copy{
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("Lumbex-Recover-%1.caf").arg(idString(newId())))};
    std::unique_ptr<AudioFileInput> input;
    AudioFormat format;
    qint64 declared = 0;
    try {
        writeNewFileDurably(copy.path, recovered.data);
        input = open(copy.path);
        format = input->format();
        declared = input->frameCount();
    } catch (const LumbexError&) {
        throw LumbexError(unreadableAudio());
    }
    const double rate = format.sampleRate;
    if (!std::isfinite(rate) || rate <= 0 || rate > 192'000 || format.channels < 1 ||
        format.channels > 2 || declared < 1 || double(declared) / rate > kMaximumSeconds)
        throw LumbexError(unreadableAudio());

    constexpr qint64 kBufferFrames = 4096;
    qint64 read = 0;
    while (read < declared) {
        AudioBuffer buffer;
        try {
            buffer = input->read(std::min(kBufferFrames, declared - read));
        } catch (const LumbexError&) {
            throw LumbexError(unreadableAudio());
        }
        if (buffer.frames() == 0)
            throw LumbexError(endsEarly());
        read += buffer.frames();
    }
    recovered.duration = double(read) / rate;
    return recovered;
}

void VoiceRecoveryDraft::remove() const {
    readJournal();
    removePath(directory());
}

} // namespace lumbex
