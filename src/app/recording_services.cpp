#include "app/recording_services.h"

#include "capture/screen_lists.h"
#include "core/error.h"
#include "core/files.h"
#include "model/app_folders.h"
#include "model/note_library.h"
#include "platform/portal_frame_source.h"
#include "platform/portal_screenshot.h"
#include "platform/recording_sources.h"
#include "platform/screen_grabber.h"
#include "recording/pending_recording.h"
#include "recording/recording_journal.h"
#include "recording/recording_note.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QProcessEnvironment>
#include <QSettings>

namespace lumbex {
namespace {

RecordingSegment inspectUnfinishedSegment(const QString& file, const Id& id) {
    return inspectRecordingSegment(file, id);
}

// The package must not land in the recording folder, which recovery leaves exactly as it was.
void refusePackageInside(const QString& packagePath, const QString& folder) {
    const QString parent = QFileInfo(QFileInfo(packagePath).absolutePath()).canonicalFilePath();
    const QString recording = QFileInfo(folder).canonicalFilePath();
    if (parent.isEmpty() || recording.isEmpty())
        return;
    if (parent == recording || parent.startsWith(recording + u'/'))
        throw LumbexError(QStringLiteral("Choose a place for the note outside the recording "
                                         "folder: its files are kept as they are."));
}

QString recordingNoteTitle(const QDateTime& moment) {
    // The application's texts are English, so is the date in a new note's name.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("Recording ") + english.toString(moment, QStringLiteral("MMM d, yyyy")) +
           QStringLiteral(" at ") + english.toString(moment, QStringLiteral("h:mm AP"));
}

// The portal's grant of the screen to record, kept so that the person chooses once.
const QString kScreenCastTokenKey = QStringLiteral("screenCastRestoreToken");

// Each segment opens its own portal session; after the first, the grant just kept is reused, so
// that asking anew asks once per recording.
std::function<std::unique_ptr<ScreenFrameSource>(const ScreenFrameSettings&)>
portalScreen(ScreenGrabber& screen, bool chooseAgain) {
    auto askNext = std::make_shared<bool>(chooseAgain);
    return [&screen, askNext](const ScreenFrameSettings& settings) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        const std::optional<ScreenCastOffer> offer = screenCastOffer(bus);
        if (!offer)
            throw LumbexError(recordingNeedsX11());
        const std::unique_ptr<QSettings> stored = openSettings();
        const QString token = *askNext ? QString() : stored->value(kScreenCastTokenKey).toString();
        *askNext = false;
        // Areas and displays are measured in the portal's screenshot of the whole desktop.
        std::vector<QRect> displays;
        for (const ScreenDisplay& display : screen.displays())
            displays.push_back(display.geometry);
        return openPortalFrameSource(bus, *offer, settings, displays, token,
                                     [&](const QString& kept) {
                                         if (kept.isEmpty())
                                             stored->remove(kScreenCastTokenKey);
                                         else
                                             stored->setValue(kScreenCastTokenKey, kept);
                                         stored->sync();
                                     });
    };
}

// The portal's grant of a recorded window, kept for the segments after a pause.
const QString kScreenCastWindowTokenKey = QStringLiteral("screenCastWindowRestoreToken");

// A recording of a window chosen in the portal's dialog: each segment's plan asks for the window
// list, which opens that segment's session (the dialog asks for the first, the kept grant serves
// the next ones) and lists the granted window at the size the portal gives; the segment's screen
// then reads that session.
struct PortalWindowRecording {
    bool cursor = true;
    bool askNext = true;
    std::unique_ptr<ScreenCastSession> session;

    std::vector<CaptureWindow> grant() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        const std::optional<ScreenCastOffer> offer = screenCastOffer(bus);
        if (!offer || !(offer->sourceTypes & kScreenCastWindow))
            throw LumbexError(windowCaptureNeedsX11());
        const std::unique_ptr<QSettings> stored = openSettings();
        const QString token =
            askNext ? QString() : stored->value(kScreenCastWindowTokenKey).toString();
        askNext = false;
        session.reset();
        session =
            std::make_unique<ScreenCastSession>(bus, *offer,
                                                ScreenCastRequest{.sourceType = kScreenCastWindow,
                                                                  .cursor = cursor,
                                                                  .restoreToken = token,
                                                                  .persist = true});
        if (session->restoreToken().isEmpty())
            stored->remove(kScreenCastWindowTokenKey);
        else
            stored->setValue(kScreenCastWindowTokenKey, session->restoreToken());
        stored->sync();
        const std::optional<QSize> size = session->stream().size;
        if (!size)
            throw LumbexError(QStringLiteral("The desktop portal did not tell the size of the "
                                             "chosen window, so it cannot be recorded."));
        return {CaptureWindow{kWindowChosenInDialog, 0, QStringLiteral("Window"),
                              Rect{0, 0, double(size->width()), double(size->height())}}};
    }

    std::unique_ptr<ScreenFrameSource> open() {
        if (!session)
            throw LumbexError(QStringLiteral("The selected window is no longer available."));
        return openPortalWindowFrameSource(std::move(session));
    }
};

} // namespace

RecorderServices systemRecorderServices(ScreenGrabber& screen, bool chooseAgain, bool cursor) {
    RecorderServices services;
    services.displays = [&screen] { return captureDisplays(screen.displays()); };
    services.windows = [&screen] {
        return captureWindows(screen.windows(), qint32(QCoreApplication::applicationPid()));
    };
    if (screenSessionFor(QProcessEnvironment::systemEnvironment()) == ScreenSession::Portal) {
        const auto areas = portalScreen(screen, chooseAgain);
        if (choosesWindowInDialog(screen.capabilities())) {
            const auto window = std::make_shared<PortalWindowRecording>();
            window->cursor = cursor;
            services.windows = [window] { return window->grant(); };
            services.openScreen = [areas, window](const ScreenFrameSettings& settings) {
                if (std::holds_alternative<quint32>(settings.source))
                    return window->open();
                return areas(settings);
            };
        } else {
            services.openScreen = areas;
        }
    } else {
        services.openScreen = [](const ScreenFrameSettings& settings) {
            return openX11FrameSource(qgetenv("DISPLAY"), settings);
        };
    }
    services.openAudio = openPulseAudioSource;
    services.openMovie = openMovieWriter;
    services.inspect = [](const QString& file, const Id& id) {
        return inspectRecordingSegment(file, id);
    };
    services.clock = hostClockMicroseconds;
    return services;
}

QString saveRecordingNote(const ScreenRecorder& recorder, NoteLibrary& library, QSettings& settings,
                          const QString& packagePath) {
    const ScreenRecording& recording = recorder.journal().recording;
    NotePackageContents contents =
        noteFromRecording(recording, recorder.directory(), readRecordingFrame);
    contents.note.title = recordingNoteTitle(QDateTime::currentDateTime());
    const std::optional<PendingRecording> pending = PendingRecording::read(recorder.directory());
    const QString path = library.create(contents, packagePath);
    if (!recorder.journal().issue)
        removePath(recorder.directory());
    else if (pending)
        pending->rememberSavedCopy(settings);
    return path;
}

RecoveredNote saveRecoveredNote(const QString& folder, NoteLibrary& library, QSettings& settings,
                                const QString& packagePath) {
    if (!packagePath.isEmpty())
        refusePackageInside(packagePath, folder);
    // Read before recovering, so that a journal that changes meanwhile is not marked reviewed.
    const std::optional<PendingRecording> pending = PendingRecording::read(folder);
    const RecordingJournal journal = recoverRecording(folder, inspectUnfinishedSegment);
    NotePackageContents contents = noteFromRecording(journal.recording, folder, readRecordingFrame);
    contents.note.title = QStringLiteral("Recovered · ") + journal.recording.title;
    RecoveredNote recovered{library.create(contents, packagePath), journal.recording};
    if (pending)
        pending->rememberSavedCopy(settings);
    return recovered;
}

} // namespace lumbex
