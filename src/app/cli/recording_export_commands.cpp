#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/package_edit.h"
#include "app/cli/process_signals.h"
#include "app/cli/recording_package.h"
#include "core/error.h"
#include "platform/segment_pictures.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <exception>
#include <thread>
#include <unistd.h>

namespace lumbex::cli {
namespace {

// GIF frames larger than this are refused by the writer, so it is the GIF's default too.
constexpr int kLargestGIFSide = 960;
constexpr int kProgressBarWidth = 40;

enum class ExportFormat { MP4, GIF };

int positiveNumber(const Arguments& args, const QString& option, int least) {
    bool ok = false;
    const int value = args.value(option).toInt(&ok);
    if (!ok || value < least)
        throw UsageError(option + QStringLiteral(" takes a whole number, %1 or more").arg(least));
    return value;
}

std::optional<int> longestSide(const Arguments& args, ExportFormat format) {
    if (args.has(QStringLiteral("--longest-side")))
        return positiveNumber(args, QStringLiteral("--longest-side"), 2);
    if (format == ExportFormat::GIF)
        return kLargestGIFSide;
    return std::nullopt;
}

// The GIF options given; usage errors for options that only a GIF takes on an MP4.
GIFOptions gifOptions(const Arguments& args, ExportFormat format) {
    const bool loop = args.has(QStringLiteral("--loop"));
    const bool once = args.has(QStringLiteral("--once"));
    const bool fps = args.has(QStringLiteral("--fps"));
    if (format == ExportFormat::MP4 && (loop || once || fps))
        throw UsageError(QStringLiteral("--fps, --loop and --once are for GIF"));
    if (loop && once)
        throw UsageError(QStringLiteral("give either --loop or --once"));
    GIFOptions options;
    if (fps)
        options.fps = positiveNumber(args, QStringLiteral("--fps"), 0);
    options.loop = !once;
    return options;
}

RecordingComposition composeNote(const NoteDocument& document, std::optional<int> side,
                                 ExportFormat format) {
    // H.264 needs even sizes; a GIF keeps the exact scaled size.
    return RecordingComposition::make(noteRecording(document), recordingDirectory(document), side,
                                      format == ExportFormat::MP4, openSegmentPictures);
}

// Standard error itself is kept off the terminal (libraries' chatter goes to /dev/null): the
// log's own descriptor tells whether a person is watching.
bool isTerminal(QTextStream& log) {
    const auto* file = qobject_cast<QFile*>(log.device());
    return file && isatty(file->handle());
}

void drawProgress(QTextStream& log, double fraction) {
    const int filled = int(fraction * kProgressBarWidth);
    log << '\r' << '[' << QString(filled, u'#') << QString(kProgressBarWidth - filled, u' ') << "] "
        << qRound(fraction * 100) << '%';
    log.flush();
}

// Runs the export on a thread of its own while SIGINT is watched on this one; a SIGINT cancels
// it. False when it was cancelled.
bool runExport(const std::function<bool(const std::atomic<bool>&, const ExportProgress&)>& work,
               QTextStream& log) {
    // Made before the thread starts, so that the signal reaches only this thread's loop.
    ProcessSignals processSignals({SIGINT});
    std::atomic<bool> cancelled = false;
    std::atomic<double> progress = 0;
    std::exception_ptr failure;
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&processSignals, &ProcessSignals::received, &loop, [&] { cancelled = true; });
    const bool showProgress = isTerminal(log);
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, &loop, [&] { drawProgress(log, progress); });
    if (showProgress)
        redraw.start(100);

    std::thread worker([&] {
        try {
            finished = work(cancelled, [&](double fraction) { progress = fraction; });
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (showProgress) {
        drawProgress(log, progress);
        log << '\n';
        log.flush();
    }
    if (failure)
        std::rethrow_exception(failure);
    return finished;
}

void exportRecording(const QStringList& words, QTextStream& out, QTextStream& log) {
    const Arguments args(
        words, {QStringLiteral("-o"), QStringLiteral("--longest-side"), QStringLiteral("--fps")},
        {QStringLiteral("--loop"), QStringLiteral("--once")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const QString destination = QFileInfo(args.required(QStringLiteral("-o"))).absoluteFilePath();
    const QString suffix = QFileInfo(destination).suffix().toLower();
    if (suffix != u"mp4" && suffix != u"gif")
        throw UsageError(QStringLiteral("-o takes a file name ending in .mp4 or .gif"));
    const ExportFormat format = suffix == u"mp4" ? ExportFormat::MP4 : ExportFormat::GIF;
    const GIFOptions gif = gifOptions(args, format);
    const std::optional<int> side = longestSide(args, format);

    const PackageEdit package = openPackageForEdit(args.positionals().first());
    const RecordingComposition composition = composeNote(*package.document, side, format);
    const RecordingExportMedia media = platformExportMedia();
    const bool finished = runExport(
        [&](const std::atomic<bool>& cancelled, const ExportProgress& progress) {
            return format == ExportFormat::MP4
                       ? exportRecordingMP4(composition, destination, media, cancelled, progress)
                       : exportRecordingGIF(composition, destination, gif, media, cancelled,
                                            progress);
        },
        log);
    if (!finished)
        throw LumbexError(QStringLiteral("The export was cancelled. Nothing was written."));
    out << destination << '\n';
}

void estimate(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("--longest-side"), QStringLiteral("--fps")},
                         {QStringLiteral("--mp4"), QStringLiteral("--gif"),
                          QStringLiteral("--loop"), QStringLiteral("--once")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    if (args.has(QStringLiteral("--mp4")) == args.has(QStringLiteral("--gif")))
        throw UsageError(QStringLiteral("give either --mp4 or --gif"));
    const ExportFormat format =
        args.has(QStringLiteral("--mp4")) ? ExportFormat::MP4 : ExportFormat::GIF;
    const GIFOptions gif = gifOptions(args, format);
    const std::optional<int> side = longestSide(args, format);

    const PackageEdit package = openPackageForEdit(args.positionals().first());
    const RecordingComposition composition = composeNote(*package.document, side, format);
    const RecordingExportMedia media = platformExportMedia();
    if (format == ExportFormat::GIF) {
        out << estimateRecordingGIF(composition, gif, media) << '\n';
        return;
    }
    const std::optional<qint64> bytes = estimateRecordingMP4(composition, media);
    if (!bytes)
        throw LumbexError(QStringLiteral("MP4 size estimation is unavailable."));
    out << *bytes << '\n';
}

} // namespace

std::vector<Command> recordingExportCommands() {
    return {
        {{QStringLiteral("recording"), QStringLiteral("export")},
         QStringLiteral("recording export PACKAGE -o OUT.mp4|OUT.gif [--longest-side N] "
                        "[--fps N] [--loop | --once]  (GIF: 10 fps, looping and a longest side "
                        "of 960 unless given)"),
         exportRecording},
        {{QStringLiteral("recording"), QStringLiteral("estimate")},
         QStringLiteral("recording estimate PACKAGE (--mp4 | --gif [--fps N] [--loop | --once]) "
                        "[--longest-side N]"),
         estimate},
    };
}

} // namespace lumbex::cli
