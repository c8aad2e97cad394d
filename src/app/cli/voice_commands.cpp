#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "core/error.h"
#include "core/files.h"
#include "model/app_folders.h"
#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"
#include "voice/audio_transcription.h"
#include "voice/voice_recovery_draft.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <cmath>

namespace lumbex::cli {
namespace {

// A JSON string literal; the members below keep the order people read them in, which the
// sorted-key writer of stored files does not allow.
QString jsonString(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Seconds to the millisecond: finer than the recogniser's 10 ms frames.
QString jsonNumber(double value) {
    return QString::number(std::round(value * 1000) / 1000, 'g', QLocale::FloatingPointShortest);
}

void transcribe(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one audio file"));
    const FileTranscript transcript =
        transcribeAudioFile(args.positionals().first(), openAudioFile, pocketsphinxSpeechFactory());
    if (!args.has(QStringLiteral("--json"))) {
        out << transcript.text.trimmed() << '\n';
        return;
    }
    QStringList segments;
    for (const TranscribedSegment& s : transcript.segments) {
        const AudioTimeRange range = s.range.value_or(AudioTimeRange{});
        segments.append(
            QStringLiteral("{\"segment\":%1,\"text\":%2,\"start\":%3,\"end\":%4}")
                .arg(s.segment)
                .arg(jsonString(s.text), jsonNumber(range.start), jsonNumber(range.end)));
    }
    out << "{\"segments\":[" << segments.join(u',') << "],\"text\":" << jsonString(transcript.text)
        << "}\n";
}

struct DraftEntry {
    QString documentID;
    QString recordingID;
    QString directory;
    std::optional<double> duration;
    QString problem;
};

std::vector<DraftEntry> readDrafts(const QString& root) {
    std::vector<DraftEntry> drafts;
    const QDir::Filters filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QString& document : QDir(root).entryList(filter, QDir::Name)) {
        const auto documentID = parseId(document);
        if (!documentID || entryKind(root + u'/' + document) != EntryKind::Folder)
            continue;
        for (const QString& recording :
             QDir(root + u'/' + document).entryList(filter, QDir::Name)) {
            const auto recordingID = parseId(recording);
            if (!recordingID)
                continue;
            const VoiceRecoveryDraft draft(*documentID, *recordingID, root);
            DraftEntry entry{
                idString(*documentID), idString(*recordingID), draft.directory(), {}, {}};
            try {
                entry.duration = draft.recover(openCafPcmFile).duration;
            } catch (const LumbexError& error) {
                entry.problem = error.message();
            }
            drafts.push_back(entry);
        }
    }
    return drafts;
}

QString minutesAndSeconds(double seconds) {
    const int whole = int(seconds);
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

void listDrafts(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("takes no names"));
    const QString root = VoiceRecoveryDraft::defaultRoot(libraryFolder());
    const std::vector<DraftEntry> drafts = readDrafts(root);
    if (args.has(QStringLiteral("--json"))) {
        QStringList items;
        for (const DraftEntry& d : drafts)
            items.append(
                QStringLiteral("{\"documentID\":%1,\"recordingID\":%2,\"path\":%3,%4}")
                    .arg(jsonString(d.documentID), jsonString(d.recordingID),
                         jsonString(d.directory),
                         d.duration ? QStringLiteral("\"duration\":%1").arg(jsonNumber(*d.duration))
                                    : QStringLiteral("\"problem\":%1").arg(jsonString(d.problem))));
        out << "{\"drafts\":[" << items.join(u',') << "],\"root\":" << jsonString(root) << "}\n";
        return;
    }
    for (const DraftEntry& d : drafts)
        out << d.documentID << '\t' << d.recordingID << '\t'
            << (d.duration ? minutesAndSeconds(*d.duration) : d.problem) << '\n';
}

} // namespace

std::vector<Command> voiceAudioCommands() {
    return {
        {{QStringLiteral("voice"), QStringLiteral("transcribe")},
         QStringLiteral("voice transcribe AUDIO [--json]"),
         transcribe},
        {{QStringLiteral("voice"), QStringLiteral("drafts")},
         QStringLiteral("voice drafts [--json]"),
         listDrafts},
    };
}

} // namespace lumbex::cli
