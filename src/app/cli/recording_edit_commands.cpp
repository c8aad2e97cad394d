#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/document_saving.h"
#include "app/cli/package_edit.h"
#include "app/cli/recording_package.h"
#include "core/error.h"
#include "model/recording_keys.h"
#include "platform/segment_pictures.h"
#include "recording/recording_composition.h"
#include "recording/recording_edits.h"
#include "records/recording_time.h"

namespace lumbex::cli {
namespace {

// The words of a command in the order given: each option of `recording edit` is one change, so
// they apply in that order, and some may be repeated.
class OrderedWords {
public:
    explicit OrderedWords(const QStringList& words) : words_(words) {}

    bool atEnd() const { return next_ >= words_.size(); }
    QString take() { return words_.at(next_++); }
    QString valueOf(const QString& option) {
        if (atEnd())
            throw UsageError(option + QStringLiteral(" needs a value"));
        return take();
    }
    bool nextIsValue() const { return !atEnd() && !words_.at(next_).startsWith(u"--"); }

private:
    QStringList words_;
    qsizetype next_ = 0;
};

qint64 seconds(const QString& option, QStringView text) {
    const std::optional<qint64> time = parseRecordingSeconds(text);
    if (!time)
        throw UsageError(option +
                         QStringLiteral(" takes seconds with up to 6 decimal places (2.5)"));
    return *time;
}

RecordingRange range(const QString& option, const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2)
        throw UsageError(option + QStringLiteral(" takes START,END in seconds"));
    return {seconds(option, parts[0]), seconds(option, parts[1])};
}

Rect rectangle(const QString& option, const QStringList& parts) {
    double values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.value(i).toDouble(&ok);
        if (!ok)
            throw UsageError(option + QStringLiteral(" takes X,Y,W,H in source pixels"));
    }
    return {values[0], values[1], values[2], values[3]};
}

bool onOff(const QString& option, const QString& value) {
    if (value == u"on")
        return true;
    if (value == u"off")
        return false;
    throw UsageError(option + QStringLiteral(" takes on or off"));
}

PackageEdit openNamedPackage(OrderedWords& words) {
    if (words.atEnd() || !words.nextIsValue())
        throw UsageError(QStringLiteral("name a package"));
    return openPackageForEdit(words.take());
}

// One change of the recording for one option; refused changes throw and leave the note alone.
void applyOption(NoteDocument& document, const QString& option, OrderedWords& words) {
    using Edit = std::function<void(ScreenRecording&)>;
    const auto change = [&](const char* action, const Edit& edit) {
        document.changeRecording(QString::fromUtf8(action), edit);
    };
    if (option == u"--trim") {
        const RecordingRange trim = range(option, words.valueOf(option));
        change("Trim Recording", [&](ScreenRecording& r) { r.trim = trim; });
    } else if (option == u"--no-trim") {
        change("Reset Trim", [](ScreenRecording& r) { r.trim.reset(); });
    } else if (option == u"--crop") {
        const Rect crop = rectangle(option, words.valueOf(option).split(u','));
        change("Crop Recording", [&](ScreenRecording& r) { r.crop = crop; });
    } else if (option == u"--no-crop") {
        change("Reset Recording Crop", [](ScreenRecording& r) { r.crop.reset(); });
    } else if (option == u"--mute-system" || option == u"--mute-microphone") {
        const bool muted = onOff(option, words.valueOf(option));
        const bool system = option == u"--mute-system";
        change("Change Recording Sound",
               [&](ScreenRecording& r) { (system ? r.muteSystem : r.muteMicrophone) = muted; });
    } else if (option == u"--redact") {
        const QStringList parts = words.valueOf(option).split(u',');
        if (parts.size() != 6)
            throw UsageError(option + QStringLiteral(" takes START,END,X,Y,W,H"));
        const RecordingRange when = {seconds(option, parts[0]), seconds(option, parts[1])};
        const Rect where = rectangle(option, parts.mid(2));
        change("Redact Recording", [&](ScreenRecording& r) {
            r.redactions.push_back({newId(), when, where});
        });
    } else if (option == u"--remove-last-redaction") {
        change("Remove Recording Redaction", [](ScreenRecording& r) {
            if (!r.redactions.empty())
                r.redactions.pop_back();
        });
    } else {
        throw UsageError(QStringLiteral("unknown option “%1”").arg(option));
    }
}

void edit(const QStringList& args, QTextStream& out, QTextStream&) {
    OrderedWords words(args);
    const PackageEdit package = openNamedPackage(words);
    if (words.atEnd())
        throw UsageError(QStringLiteral("give at least one change"));
    while (!words.atEnd())
        applyOption(*package.document, words.take(), words);
    saveNow(*package.document);
    out << package.document->note().revision << '\n';
}

// Stills at full output size, as the note keeps them.
std::vector<RecordingStill> prepareStills(const NoteDocument& document,
                                          const std::vector<qint64>& times) {
    return prepareRecordingStills(
        RecordingComposition::make(noteRecording(document), recordingDirectory(document),
                                   std::nullopt, false, openSegmentPictures),
        times);
}

void frames(const QStringList& args, QTextStream& out, QTextStream&) {
    OrderedWords words(args);
    const PackageEdit package = openNamedPackage(words);
    std::vector<qint64> times;
    bool three = false;
    while (!words.atEnd()) {
        const QString option = words.take();
        if (option == u"--at" && words.nextIsValue()) {
            while (words.nextIsValue())
                times.push_back(seconds(option, words.take()));
        } else if (option == u"--three" && !three) {
            three = true;
        } else {
            throw UsageError(QStringLiteral("give --at SECONDS... or --three"));
        }
    }
    if (three == !times.empty())
        throw UsageError(QStringLiteral("give either --at SECONDS... or --three"));
    NoteDocument& document = *package.document;
    const ScreenRecording& recording = noteRecording(document);
    if (three)
        times = recording.suggestedFrameTimes();
    const QString preparedFor = editKey(recording);
    const std::vector<Id> ids =
        document.appendRecordingFrames(prepareStills(document, times), preparedFor, true);
    saveNow(document);
    for (const Id& id : ids)
        out << idString(id) << '\n';
}

void timeNote(const QStringList& args, QTextStream& out, QTextStream&) {
    const Arguments parsed(args, {QStringLiteral("--range"), QStringLiteral("--text")}, {});
    if (parsed.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const RecordingRange noteRange =
        range(QStringLiteral("--range"), parsed.required(QStringLiteral("--range")));
    const PackageEdit package = openPackageForEdit(parsed.positionals().first());
    NoteDocument& document = *package.document;
    const ScreenRecording& recording = noteRecording(document);
    const RecordingRange selected = recording.selectedRange();
    if (noteRange.start < selected.start || noteRange.end > selected.end ||
        noteRange.duration() <= 0)
        throw LumbexError(QStringLiteral("Choose a note range inside the current trim."));
    const QString preparedFor = editKey(recording);
    const RecordingStill still = prepareStills(document, {noteRange.start}).front();
    const Id noteID =
        document.addTimeNote(noteRange, parsed.value(QStringLiteral("--text")), still, preparedFor);
    saveNow(document);
    const auto& notes = document.note().notes;
    const auto position = std::find_if(notes.begin(), notes.end(),
                                       [&](const LinkedNote& n) { return n.id == noteID; });
    out << (position - notes.begin()) + 1 << '\n';
}

} // namespace

std::vector<Command> recordingEditCommands() {
    return {
        {{QStringLiteral("recording"), QStringLiteral("edit")},
         QStringLiteral("recording edit PACKAGE [--trim START,END | --no-trim] [--crop X,Y,W,H | "
                        "--no-crop] [--mute-system on|off] [--mute-microphone on|off] "
                        "[--redact START,END,X,Y,W,H]... [--remove-last-redaction]"),
         edit},
        {{QStringLiteral("recording"), QStringLiteral("frames")},
         QStringLiteral("recording frames PACKAGE (--at SECONDS... | --three)"),
         frames},
        {{QStringLiteral("recording"), QStringLiteral("time-note")},
         QStringLiteral("recording time-note PACKAGE --range START,END [--text TEXT]"),
         timeNote},
    };
}

} // namespace lumbex::cli
