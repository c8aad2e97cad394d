#include "app/desktop/recording_windows.h"

#include "app/desktop/window_placement.h"
#include "app/editor/editor_window.h"
#include "app/editor/note_row.h"
#include "app/recording_ui/recording_window_controller.h"
#include "platform/recording_export.h"
#include "platform/segment_sound.h"
#include "platform/sound_output.h"

#include <QFileDialog>
#include <QScreen>

namespace lumbex {
namespace {

QString chooseExportFile(QWidget* parent, RecordingExportFormat format) {
    const bool mp4 = format == RecordingExportFormat::MP4;
    QString path = QFileDialog::getSaveFileName(
        parent, QObject::tr("Export Recording"),
        mp4 ? QStringLiteral("Recording.mp4") : QStringLiteral("Recording.gif"),
        mp4 ? QObject::tr("MP4 movie (*.mp4)") : QObject::tr("GIF image (*.gif)"));
    const QString suffix = mp4 ? QStringLiteral(".mp4") : QStringLiteral(".gif");
    if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    return path;
}

} // namespace

RecordingWindowController* RecordingWindows::open(EditorWindow& editor,
                                                  std::optional<qint64> sourceTime) {
    NoteDocument& document = editor.document();
    std::erase_if(windows_, [](const auto& entry) { return entry.second.isNull(); });
    QPointer<RecordingWindowController>& window = windows_[&document];
    if (!window) {
        RecordingWindowServices services;
        services.open = openSegmentPictures;
        services.media = {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes,
                          readSegmentSound};
        services.playSound = openPulseAudioOutput;
        QPointer<EditorWindow> note(&editor);
        // The save panel belongs to the recording window, made just below.
        const auto dialogParent = std::make_shared<QPointer<QWidget>>();
        services.chooseDestination = [dialogParent](RecordingExportFormat format) {
            return chooseExportFile(*dialogParent, format);
        };
        services.showTimeNote = [note](const Id& noteID) {
            if (!note)
                return;
            note->raise();
            note->activateWindow();
            if (NoteRow* row = note->rowFor(noteID))
                row->focusText();
        };
        services.showImage = [note](const Id& mediaID) {
            if (!note)
                return;
            note->setActiveMedia(mediaID);
            note->raise();
            note->activateWindow();
        };
        window = new RecordingWindowController(document, std::move(services));
        *dialogParent = window.data();
        const QSize wanted(960, 760);
        if (const QScreen* screen = editor.screen())
            window->setGeometry(
                placedOver(wanted, editor.frameGeometry(), screen->availableGeometry()));
        else
            window->resize(wanted);
    }
    if (sourceTime)
        window->seek(*sourceTime);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace lumbex
