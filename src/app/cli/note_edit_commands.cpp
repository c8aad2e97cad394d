#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/document_saving.h"
#include "app/cli/image_choice.h"
#include "app/cli/package_edit.h"
#include "core/error.h"
#include "core/files.h"
#include "geometry/colors.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_document.h"
#include "model/note_edits.h"
#include "model/note_validation.h"
#include "model/schema_level.h"

#include <QFileInfo>

namespace lumbex::cli {
namespace {

PackageEdit openPackage(const Arguments& args) {
    if (args.positionals().isEmpty())
        throw UsageError(QStringLiteral("name a package"));
    return openPackageForEdit(args.positionals().first());
}

// Refuses a change that would leave the note invalid, with the validation message, before it
// reaches the document: the command line has no canvas to keep edits within the rules.
void applyChange(NoteDocument& document, const QString& actionName,
                 const std::function<void(CaptureNote&)>& body) {
    CaptureNote trial = document.note();
    body(trial);
    trial.schemaVersion = std::max(trial.schemaVersion, minimumSchemaVersion(trial));
    validate(trial);
    document.change(actionName, body);
}

bool onOff(const QString& option, const QString& value) {
    if (value == u"on")
        return true;
    if (value == u"off")
        return false;
    throw UsageError(option + QStringLiteral(" takes on or off"));
}

Point parsePoint(const QString& option, const QString& text) {
    const QStringList parts = text.split(u',');
    bool okX = false, okY = false;
    const double x = parts.value(0).toDouble(&okX);
    const double y = parts.value(1).toDouble(&okY);
    if (parts.size() != 2 || !okX || !okY)
        throw UsageError(option + QStringLiteral(" takes X,Y"));
    return {x, y};
}

double parseNumber(const QString& option, const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        throw UsageError(option + QStringLiteral(" takes a number"));
    return value;
}

// The colours a mark can be drawn in: a hex colour or one of the named ones.
QString parseColor(const QString& text) {
    static const QStringList names = {QStringLiteral("blue"), QStringLiteral("red"),
                                      QStringLiteral("orange"), QStringLiteral("white"),
                                      QStringLiteral("black")};
    if (names.contains(text) || backgroundColor(text))
        return text;
    throw UsageError(QStringLiteral("--color takes #RRGGBB or blue, red, orange, white, black"));
}

void setNote(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words,
                         {QStringLiteral("--title"), QStringLiteral("--general"),
                          QStringLiteral("--include-general"), QStringLiteral("--review-only")},
                         {}, {QStringLiteral("--include-image"), QStringLiteral("--role")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const PackageEdit edit = openPackage(args);
    NoteDocument* const document = edit.document.get();

    if (args.has(QStringLiteral("--title")))
        applyChange(
            *document, QStringLiteral("Rename Note"),
            [title = args.value(QStringLiteral("--title"))](CaptureNote& n) { n.title = title; });
    if (args.has(QStringLiteral("--general")))
        applyChange(
            *document, QStringLiteral("Edit General Note"),
            [text = args.value(QStringLiteral("--general"))](CaptureNote& n) { n.general = text; });
    if (args.has(QStringLiteral("--include-general"))) {
        const bool on = onOff(QStringLiteral("--include-general"),
                              args.value(QStringLiteral("--include-general")));
        applyChange(*document, QStringLiteral("Include General Note"),
                    [on](CaptureNote& n) { n.includeGeneral = on; });
    }
    if (args.has(QStringLiteral("--review-only"))) {
        const bool on =
            onOff(QStringLiteral("--review-only"), args.value(QStringLiteral("--review-only")));
        applyChange(*document, QStringLiteral("Change Request Mode"),
                    [on](CaptureNote& n) { n.reviewOnly = on; });
    }
    if (args.has(QStringLiteral("--include-image"))) {
        const QStringList pair = args.pair(QStringLiteral("--include-image"));
        const Id id = chooseImage(document->note(), pair[0]).id;
        const bool on = onOff(QStringLiteral("--include-image"), pair[1]);
        applyChange(*document, QStringLiteral("Include Image"), [id, on](CaptureNote& n) {
            for (Media& m : n.media)
                if (m.id == id)
                    m.includeInRequest = on;
        });
    }
    if (args.has(QStringLiteral("--role"))) {
        const QStringList pair = args.pair(QStringLiteral("--role"));
        const Id id = chooseImage(document->note(), pair[0]).id;
        const auto role = mediaRoleFromRaw(pair[1]);
        if (!role)
            throw UsageError(QStringLiteral("--role takes Current, Reference or After"));
        applyChange(*document, QStringLiteral("Change Image Role"), [id, role](CaptureNote& n) {
            for (Media& m : n.media)
                if (m.id == id)
                    m.role = *role;
        });
    }
    saveNow(*document);
    out << document->note().revision << '\n';
}

Mark markFromArguments(const Arguments& args, const Id& mediaID) {
    Mark mark;
    mark.id = newId();
    mark.mediaID = mediaID;
    const auto kind = markKindFromRaw(args.required(QStringLiteral("--kind")));
    if (!kind)
        throw UsageError(QStringLiteral(
            "--kind takes pointer, arrow, line, rectangle, ellipse, freehand, highlight, "
            "text, redact or magnify"));
    mark.kind = *kind;
    mark.start = parsePoint(QStringLiteral("--start"), args.required(QStringLiteral("--start")));
    mark.end = parsePoint(QStringLiteral("--end"), args.required(QStringLiteral("--end")));
    if (args.has(QStringLiteral("--color")))
        mark.color = parseColor(args.value(QStringLiteral("--color")));
    if (args.has(QStringLiteral("--line-width")))
        mark.lineWidth =
            parseNumber(QStringLiteral("--line-width"), args.value(QStringLiteral("--line-width")));
    if (args.has(QStringLiteral("--text")))
        mark.text = args.value(QStringLiteral("--text"));
    if (args.has(QStringLiteral("--points"))) {
        std::vector<Point> points;
        for (const QString& point :
             args.value(QStringLiteral("--points")).split(u';', Qt::SkipEmptyParts))
            points.push_back(parsePoint(QStringLiteral("--points"), point));
        mark.points = points;
    }
    if (args.has(QStringLiteral("--magnification")))
        mark.magnification = parseNumber(QStringLiteral("--magnification"),
                                         args.value(QStringLiteral("--magnification")));
    if (args.has(QStringLiteral("--center")))
        mark.magnificationCenter =
            parsePoint(QStringLiteral("--center"), args.value(QStringLiteral("--center")));
    return mark;
}

void addMark(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(
        words,
        {QStringLiteral("--image"), QStringLiteral("--kind"), QStringLiteral("--start"),
         QStringLiteral("--end"), QStringLiteral("--color"), QStringLiteral("--line-width"),
         QStringLiteral("--text"), QStringLiteral("--points"), QStringLiteral("--magnification"),
         QStringLiteral("--center"), QStringLiteral("--note")},
        {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const PackageEdit edit = openPackage(args);
    NoteDocument* const document = edit.document.get();
    const Mark mark = markFromArguments(
        args, chooseImage(document->note(), args.required(QStringLiteral("--image"))).id);
    const std::optional<QString> body = args.has(QStringLiteral("--note"))
                                            ? std::optional(args.value(QStringLiteral("--note")))
                                            : std::nullopt;

    // The same edit as the canvas's: a pointer always gets its location note.
    applyChange(*document, edits::addMarkActionName(mark.kind), [&](CaptureNote& n) {
        edits::addMark(n, mark);
        if (body) {
            const Id noteID = edits::ensureNoteForMark(n, mark.id);
            for (LinkedNote& linked : n.notes)
                if (linked.id == noteID)
                    linked.body = *body;
        }
    });
    saveNow(*document);
    out << idString(mark.id);
    if (const auto number = document->note().number(mark.id))
        out << ' ' << *number;
    out << '\n';
}

void addImages(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() < 2)
        throw UsageError(QStringLiteral("name a package and at least one image"));
    const PackageEdit edit = openPackage(args);
    NoteDocument* const document = edit.document.get();
    QStringList added;
    for (const QString& image : args.positionals().mid(1))
        added.append(idString(document->appendImage(ImageFiles::readImageFile(image),
                                                    importedImageName(image), true)));
    saveNow(*document);
    for (const QString& id : added)
        out << id << '\n';
}

void removeImage(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() != 2)
        throw UsageError(QStringLiteral("name a package and one image"));
    const PackageEdit edit = openPackage(args);
    NoteDocument* const document = edit.document.get();
    document->removeImage(chooseImage(document->note(), args.positionals()[1]).id);
    saveNow(*document);
    out << document->note().revision << '\n';
}

} // namespace

std::vector<Command> noteEditCommands() {
    return {
        {{QStringLiteral("note"), QStringLiteral("set")},
         QStringLiteral("note set PACKAGE [--title T] [--general TEXT] [--include-general on|off] "
                        "[--review-only on|off] [--include-image INDEX on|off] "
                        "[--role INDEX Current|Reference|After]"),
         setNote},
        {{QStringLiteral("note"), QStringLiteral("mark")},
         QStringLiteral(
             "note mark PACKAGE --image INDEX|ID --kind KIND --start X,Y --end X,Y [--color C] "
             "[--line-width W] [--text T] [--points X,Y;X,Y;...] [--magnification M --center X,Y] "
             "[--note BODY]"),
         addMark},
        {{QStringLiteral("note"), QStringLiteral("add-image")},
         QStringLiteral("note add-image PACKAGE IMAGE..."),
         addImages},
        {{QStringLiteral("note"), QStringLiteral("remove-image")},
         QStringLiteral("note remove-image PACKAGE INDEX|ID"),
         removeImage},
    };
}

} // namespace lumbex::cli
