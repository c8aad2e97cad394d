#include "app/cli/arguments.h"
#include "app/cli/capture_source_arguments.h"
#include "app/cli/command.h"
#include "app/cli/process_signals.h"
#include "app/recording_services.h"
#include "app/screen_services.h"
#include "capture/screen_lists.h"
#include "core/error.h"
#include "core/files.h"
#include "model/app_folders.h"
#include "model/note_library.h"
#include "platform/portal_screenshot.h"
#include "platform/recording_sources.h"
#include "recording/pending_recording.h"
#include "recording/screen_recorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>
#include <cmath>

namespace lumbex::cli {
namespace {

using Phase = ScreenRecorder::Phase;

double parseSeconds(const QString& text) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
        throw UsageError(QStringLiteral("--seconds takes a number of seconds above 0"));
    return seconds;
}

int parseLongestSide(const QString& text) {
    bool ok = false;
    const int side = text.toInt(&ok);
    if (!ok || side < 2)
        throw UsageError(QStringLiteral("--longest-side takes a number of pixels, 2 or more"));
    return side;
}

ScreenRecordingOptions chosenOptions(const Arguments& args) {
    ScreenRecordingOptions options;
    if (args.has(QStringLiteral("--longest-side")))
        options.longestSide = parseLongestSide(args.value(QStringLiteral("--longest-side")));
    options.cursor = !args.has(QStringLiteral("--no-cursor"));
    options.clicks = args.has(QStringLiteral("--clicks"));
    options.systemAudio = args.has(QStringLiteral("--system-audio"));
    options.microphone = args.has(QStringLiteral("--microphone"));
    return options;
}

// --folder DIR records into a folder of the caller's: a new one, or one that is still empty.
QString chosenFolder(const Arguments& args) {
    if (!args.has(QStringLiteral("--folder")))
        return pendingRecordingsFolder(libraryFolder()) + u'/' + idString(newId());
    const QString folder = QFileInfo(args.value(QStringLiteral("--folder"))).absoluteFilePath();
    const EntryKind kind = entryKind(folder);
    const bool empty =
        kind == EntryKind::Folder &&
        QDir(folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
            .isEmpty();
    if (kind != EntryKind::Missing && !empty)
        throw LumbexError(
            QStringLiteral("“%1” is not an empty folder. Choose a new or empty folder "
                           "for the recording.")
                .arg(QDir::toNativeSeparators(folder)));
    return folder;
}

// Runs a started recorder until it ends: after `seconds` of recording (pauses do not count), on
// SIGINT or SIGTERM, or through a failure. SIGUSR1 pauses and resumes. Throws the failure.
void runUntilStopped(ScreenRecorder& recorder, ProcessSignals& processSignals,
                     std::optional<double> seconds) {
    QEventLoop loop;
    std::optional<LumbexError> failure;
    const auto attempt = [&](const std::function<void()>& step) {
        try {
            step();
        } catch (const LumbexError& error) {
            if (!failure)
                failure = error;
            loop.quit();
        }
    };
    const auto stop = [&] { attempt([&] { recorder.stop(); }); };

    // Counted on the host clock from each segment's first picture, which the recorder hears of
    // only after that picture was encoded.
    QTimer limit;
    limit.setSingleShot(true);
    // A coarse timer may be 5 % late: a quarter of a second on five.
    limit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&limit, &QTimer::timeout, &loop, stop);
    qint64 remainingUs = seconds ? qint64(std::llround(*seconds * 1e6)) : 0;
    qint64 stretchStart = 0;
    recorder.onChange = [&] {
        switch (recorder.phase()) {
        case Phase::Recording:
            stretchStart = recorder.firstFrameTime().value_or(hostClockMicroseconds());
            if (seconds)
                limit.start(int(std::max<qint64>(
                    (remainingUs - (hostClockMicroseconds() - stretchStart)) / 1000, 0)));
            break;
        case Phase::Pausing:
            remainingUs -= hostClockMicroseconds() - stretchStart;
            limit.stop();
            break;
        case Phase::Finished:
            loop.quit();
            break;
        case Phase::Failed:
            if (!failure)
                failure = LumbexError(
                    recorder.journal().issue.value_or(QStringLiteral("The recording stopped.")));
            loop.quit();
            break;
        default:
            break;
        }
    };
    QObject::connect(&processSignals, &ProcessSignals::received, &loop, [&](int signal) {
        if (signal != SIGUSR1)
            stop();
        else if (recorder.phase() == Phase::Recording)
            attempt([&] { recorder.pause(); });
        else if (recorder.phase() == Phase::Paused)
            attempt([&] { recorder.start(); });
    });
    SleepWatcher sleep;
    QObject::connect(&sleep, &SleepWatcher::goingToSleep, &loop,
                     [&] { recorder.interruptForSleep(); });
    attempt([&] { recorder.start(); });
    if (!failure)
        loop.exec();
    recorder.onChange = nullptr;
    if (failure)
        throw *failure;
}

void record(const QStringList& words, QTextStream& out, QTextStream& log) {
    // Before any thread starts, so that only the event loop hears them.
    ProcessSignals processSignals({SIGINT, SIGTERM, SIGUSR1});
    const Arguments args(withChosenWindow(words),
                         {QStringLiteral("--area"), QStringLiteral("--window"),
                          QStringLiteral("--display"), QStringLiteral("--seconds"),
                          QStringLiteral("--longest-side"), QStringLiteral("--note"),
                          QStringLiteral("--folder")},
                         {QStringLiteral("--no-cursor"), QStringLiteral("--clicks"),
                          QStringLiteral("--system-audio"), QStringLiteral("--microphone"),
                          QStringLiteral("--interactive")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("unexpected “%1”").arg(args.positionals().first()));
    requireOneSource(args);
    if (args.has(QStringLiteral("--note")) && args.has(QStringLiteral("--folder")))
        throw UsageError(QStringLiteral("give either --note PACKAGE or --folder DIR"));
    const ScreenRecordingOptions options = chosenOptions(args);
    std::optional<double> seconds;
    if (args.has(QStringLiteral("--seconds")))
        seconds = parseSeconds(args.value(QStringLiteral("--seconds")));

    const std::unique_ptr<ScreenGrabber> screen = openScreenGrabber();
    const ScreenCapabilities can = screen->capabilities();
    if (can.testFlag(ScreenCapability::ReadScreen) && !can.testFlag(ScreenCapability::RecordScreen))
        throw LumbexError(recordingNeedsX11());
    const CaptureSelection selection = chosenSelection(args, *screen);
    ScreenRecorder recorder(
        selection, options, chosenFolder(args),
        systemRecorderServices(*screen, args.has(QStringLiteral("--interactive")), options.cursor));
    log << "recording " << recorder.directory() << Qt::endl;
    recorder.onSegment = [&log](const RecordingSegment& segment) {
        log << "segment " << idString(segment.id) << " duration=" << segment.duration
            << " dropped=" << segment.droppedVideo << '/' << segment.droppedAudio << Qt::endl;
    };
    runUntilStopped(recorder, processSignals, seconds);

    if (args.has(QStringLiteral("--folder"))) {
        out << recorder.directory() << '\n';
        return;
    }
    const std::unique_ptr<QSettings> settings = openSettings();
    NoteLibrary library(libraryFolder(), *settings);
    out << saveRecordingNote(recorder, library, *settings, args.value(QStringLiteral("--note")))
        << '\n';
}

} // namespace

std::vector<Command> recordCommands() {
    return {{{QStringLiteral("record")},
             QStringLiteral("record (--area X,Y,W,H | --window ID | --display N) [--seconds S] "
                            "[--longest-side N] [--no-cursor] [--clicks] [--system-audio] "
                            "[--microphone] [--interactive] [--note PACKAGE | --folder DIR]"),
             record}};
}

} // namespace lumbex::cli
