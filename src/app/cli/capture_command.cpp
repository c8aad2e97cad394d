#include "app/cli/arguments.h"
#include "app/cli/capture_source_arguments.h"
#include "app/cli/command.h"
#include "app/cli/note_creation.h"
#include "app/screen_services.h"
#include "capture/capture_coordinates.h"
#include "capture/capture_settings.h"
#include "capture/capture_shot.h"
#include "capture/screen_lists.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_import.h"
#include "model/note_package.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QThread>
#include <cmath>

namespace lumbex::cli {
namespace {

constexpr double kLongestDelay = 30;

double parseDelay(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0)
        throw UsageError(QStringLiteral("--delay takes a number of seconds, 0 or more"));
    return std::min(seconds, kLongestDelay);
}

void writeNote(const CaptureShot& shot, const QString& path) {
    const QString name = captureName(QDateTime::currentDateTime());
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    contents.note.title = name;
    appendStoredPng(contents, shot.png, shot.size, name);
    createUserNote(contents, path);
}

// Takes the picture straight away (after the delay), without the picker, as the app would for
// the same selection; the window shadow follows the app's "captureWindowShadow" setting. With
// --interactive the desktop's own dialog may ask (on Wayland, for --window without an id).
void capture(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(withChosenWindow(words),
                         {QStringLiteral("--area"), QStringLiteral("--window"),
                          QStringLiteral("--display"), QStringLiteral("--delay"),
                          QStringLiteral("-o"), QStringLiteral("--note")},
                         {QStringLiteral("--cursor"), QStringLiteral("--interactive")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("unexpected “%1”").arg(args.positionals().first()));
    requireOneSource(args);
    if (args.has(QStringLiteral("-o")) == args.has(QStringLiteral("--note")))
        throw UsageError(QStringLiteral("give either -o OUT.png or --note PACKAGE"));
    const double delay =
        args.has(QStringLiteral("--delay")) ? parseDelay(args.value(QStringLiteral("--delay"))) : 0;

    const std::unique_ptr<ScreenGrabber> screen = openScreenGrabber();
    const CaptureSelection selection = chosenSelection(args, *screen);
    if (delay > 0)
        QThread::msleep(static_cast<unsigned long>(std::lround(delay * 1000)));
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Lumbex"),
                       QStringLiteral("Lumbex"));
    const CaptureShot shot = takePicture(
        selection, *screen,
        {args.has(QStringLiteral("--cursor")), CaptureSettings(settings).includeWindowShadow()});

    const QString path = args.value(args.has(QStringLiteral("-o")) ? QStringLiteral("-o")
                                                                   : QStringLiteral("--note"));
    if (args.has(QStringLiteral("-o")))
        writeFileAtomically(path, shot.png);
    else
        writeNote(shot, path);
    out << QFileInfo(path).absoluteFilePath() << '\n';
}

} // namespace

std::vector<Command> captureCommands() {
    return {{{QStringLiteral("capture")},
             QStringLiteral("capture (--area X,Y,W,H | --window ID | --display N) [--cursor] "
                            "[--interactive] [--delay SECONDS] [-o OUT.png | --note PACKAGE]"),
             capture}};
}

} // namespace lumbex::cli
