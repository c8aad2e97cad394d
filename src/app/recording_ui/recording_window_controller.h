#pragma once

#include "app/recording_ui/recording_export_controls.h"
#include "app/recording_ui/recording_operation.h"
#include "core/latest_work.h"
#include "model/note_document.h"
#include "platform/segment_pictures.h"
#include "platform/sound_output.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumbex {

class RecordingPlayerPanel;
class RecordingSelectionLayer;

// What a recording window works with, chosen by the application (fakes in tests).
struct RecordingWindowServices {
    SegmentPicturesOpener open;
    RecordingExportMedia media;
    // Where the player's sound goes; none plays the pictures alone.
    SoundOutputOpener playSound;
    RecordingExportControls::DestinationChooser chooseDestination;
    // Brings the note's editor forward on a time note just added, ready for its text.
    std::function<void(const Id& noteID)> showTimeNote;
    // Brings the note's editor forward on an image.
    std::function<void(const Id& mediaID)> showImage;
    QThreadPool* pool = QThreadPool::globalInstance();
};

// The recording window of one note document: plays the recording as it will be exported and
// edits its trim, crop, redactions and sound, each as one undoable change of the document. It
// reloads when the note changes and closes itself (and is deleted) when the note loses its
// recording or the document goes away.
class RecordingWindowController : public QWidget {
    Q_OBJECT
public:
    enum class Tool { Play, Crop, Redact };

    RecordingWindowController(NoteDocument& document, RecordingWindowServices services,
                              QWidget* parent = nullptr);
    ~RecordingWindowController() override;

    // Pauses the players of every recording window (dictation starting, say).
    static void pauseAll();

    NoteDocument* captureDocument() const { return document_; }
    // Moves the player to the output time of a source time; applied once the preview is ready.
    void seek(qint64 sourceTime);
    // Rebuilds the preview when the recording's edit key changed and refreshes the controls;
    // closes the window when the note has no recording any more.
    void reload();

    Tool tool() const { return tool_; }
    void setTool(Tool tool);

    RecordingPlayerPanel* playerPanel() const { return player_; }
    RecordingSelectionLayer* selection() const { return selection_; }
    QLineEdit* rangeStart() const { return rangeStart_; }
    QLineEdit* rangeEnd() const { return rangeEnd_; }
    QCheckBox* muteSystem() const { return muteSystem_; }
    QCheckBox* muteMicrophone() const { return muteMicrophone_; }
    // A button of the window by its text ("Trim to Range", "Crop", …); null when there is none.
    QAbstractButton* button(const QString& text) const;
    QString statusText() const;
    QLabel* recoveryNotice() const { return recoveryNotice_; }
    QLabel* frameNotice() const { return frameNotice_; }
    RecordingExportControls* exportControls() const { return export_; }
    // Frames, a time note or an export is being made.
    bool isBusy() const;
    // Cancels the frames, time note or export being made.
    void cancel();
    // The preview shows the recording as it is now.
    bool isPreviewCurrent() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildControls();
    QPushButton* addButton(QLayout* layout, const QString& text,
                           void (RecordingWindowController::*slot)());
    // Runs an edit; a refusal shows its message in the status line.
    // True when it went through.
    bool attempt(const std::function<void()>& edit);
    void showStatus(const QString& text);
    void refreshControls(const ScreenRecording& recording);
    // The note's recording as the player shows it for the current tool.
    ScreenRecording shownRecording() const;
    // Draws the note's crop over the whole picture while the crop tool is on.
    void outlineCrop();
    void usePlayhead();
    void trimToRange();
    void resetTrim();
    void restoreCrop();
    void removeLastRedaction();
    void changeSound();
    void finishDrag(QPointF from, QPointF to);
    QWidget* buildFrameButtons();
    void addCurrentFrame();
    void addThreeFrames();
    void addFrames(const std::vector<qint64>& times);
    void addTimeNote();
    void reviewFrames();
    void setBusy(bool busy);

    QPointer<NoteDocument> document_;
    RecordingWindowServices services_;
    LatestWork previewTask_;
    RecordingOperation operation_;
    RecordingPlayerPanel* player_;
    RecordingSelectionLayer* selection_;
    QButtonGroup* tools_;
    QLineEdit* rangeStart_;
    QLineEdit* rangeEnd_;
    QLineEdit* lastEdited_;
    QCheckBox* muteSystem_;
    QCheckBox* muteMicrophone_;
    QLabel* status_;
    QLabel* recoveryNotice_;
    QLabel* frameNotice_;
    RecordingExportControls* export_;
    std::vector<QAbstractButton*> operationButtons_;
    Tool tool_ = Tool::Play;
    // The recording edit key the preview was built (or is being built) for.
    std::optional<QString> loadedKey_;
    // The edit key of the recording the export controls describe.
    std::optional<QString> exportedKey_;
    std::optional<RecordingRange> shownRange_;
    std::optional<qint64> pendingSeek_;
    bool closed_ = false;
};

} // namespace lumbex
