#include "app/recording_ui/recording_window_controller.h"

#include "app/recording_ui/recording_player_panel.h"
#include "app/recording_ui/recording_selection_layer.h"
#include "model/recording_keys.h"
#include "recording/recording_edits.h"
#include "recording/recording_note_folder.h"
#include "records/recording_time.h"

#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <set>

namespace lumbex {
namespace {

// The segment folder for the export controls; a note whose files are not together shows that
// message when the preview is built.
QString noteRecordingDirectoryOrEmpty(const NotePackageContents& contents) {
    try {
        return noteRecordingDirectory(contents);
    } catch (const LumbexError&) {
        return {};
    }
}

// Every open recording window, for pauseAll().
std::set<RecordingWindowController*>& openWindows() {
    static std::set<RecordingWindowController*> windows;
    return windows;
}

} // namespace

RecordingWindowController::RecordingWindowController(NoteDocument& document,
                                                     RecordingWindowServices services,
                                                     QWidget* parent)
    : QWidget(parent, Qt::Window), document_(&document), services_(std::move(services)),
      previewTask_(this, services_.pool), operation_(this), player_(new RecordingPlayerPanel(this)),
      selection_(new RecordingSelectionLayer(player_->video())), tools_(new QButtonGroup(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    openWindows().insert(this);
    player_->video()->installEventFilter(this);
    // The outline follows the picture: where it is drawn is known once a picture arrived.
    connect(&player_->player(), &RecordingPlayer::pictureChanged, this,
            &RecordingWindowController::outlineCrop);
    if (services_.playSound)
        player_->player().setSound(services_.media.readSound, services_.playSound);
    connect(selection_, &RecordingSelectionLayer::dragged, this,
            &RecordingWindowController::finishDrag);

    recoveryNotice_ = new QLabel(this);
    recoveryNotice_->setObjectName(QStringLiteral("recording.recovery.notice"));
    recoveryNotice_->setAccessibleName(tr("Recording recovery"));
    recoveryNotice_->setWordWrap(true);
    frameNotice_ = new QLabel(tr("Previous frames need review. Use Review Frames to add updated "
                                 "frames, then remove or exclude old ones."),
                              this);
    frameNotice_->setWordWrap(true);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    export_ = new RecordingExportControls(services_.media, services_.open,
                                          services_.chooseDestination, services_.pool, this);
    operationButtons_.push_back(export_->exportButton());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(recoveryNotice_);
    layout->addWidget(player_, 1);
    layout->addWidget(buildControls());
    layout->addWidget(buildFrameButtons());
    layout->addWidget(frameNotice_);
    layout->addWidget(export_);
    layout->addWidget(status_);

    connect(export_, &RecordingExportControls::statusChanged, this,
            &RecordingWindowController::showStatus);
    connect(&player_->player(), &RecordingPlayer::soundFailed, this,
            &RecordingWindowController::showStatus);
    connect(export_, &RecordingExportControls::busyChanged, this,
            &RecordingWindowController::setBusy);
    connect(export_->cancelButton(), &QPushButton::clicked, &operation_,
            &RecordingOperation::cancel);
    connect(&operation_, &RecordingOperation::finished, this, [this](const LumbexError* error) {
        if (error)
            showStatus(error->message());
        setBusy(false);
    });

    // The window's edits are the note's undo steps, so the usual keys undo them here too.
    QAction* undo = document.undoStack().createUndoAction(this);
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = document.undoStack().createRedoAction(this);
    redo->setShortcut(QKeySequence::Redo);
    addActions({undo, redo});

    connect(&document, &NoteDocument::noteChanged, this, &RecordingWindowController::reload);
    connect(&document, &QObject::destroyed, this, [this] {
        closed_ = true;
        close();
    });
    reload();
}

RecordingWindowController::~RecordingWindowController() {
    openWindows().erase(this);
    // The preview job reads nothing of this window, but its result must not arrive after it.
    previewTask_.drop();
}

void RecordingWindowController::pauseAll() {
    for (RecordingWindowController* window : openWindows())
        window->player_->player().pause();
}

QWidget* RecordingWindowController::buildControls() {
    auto* controls = new QWidget(this);
    auto* rows = new QVBoxLayout(controls);
    rows->setContentsMargins(0, 0, 0, 0);

    auto* toolBox = new QWidget(controls);
    toolBox->setAccessibleName(tr("Recording tools"));
    auto* toolRow = new QHBoxLayout(toolBox);
    toolRow->setContentsMargins(0, 0, 0, 0);
    const std::pair<QString, Tool> tools[] = {
        {tr("&Play"), Tool::Play}, {tr("&Crop"), Tool::Crop}, {tr("Re&dact"), Tool::Redact}};
    for (const auto& [text, tool] : tools) {
        auto* button = new QToolButton(toolBox);
        button->setText(text);
        button->setCheckable(true);
        button->setChecked(tool == Tool::Play);
        tools_->addButton(button, int(tool));
        toolRow->addWidget(button);
    }
    toolRow->addStretch();
    connect(tools_, &QButtonGroup::idClicked, this, [this](int id) { setTool(Tool(id)); });
    rows->addWidget(toolBox);

    auto* range = new QGroupBox(tr("&Source range · seconds"), controls);
    auto* rangeRow = new QHBoxLayout(range);
    rangeStart_ = new QLineEdit(range);
    rangeStart_->setObjectName(QStringLiteral("recording.range.start"));
    rangeStart_->setAccessibleName(tr("Source range start in seconds"));
    rangeEnd_ = new QLineEdit(range);
    rangeEnd_->setObjectName(QStringLiteral("recording.range.end"));
    rangeEnd_->setAccessibleName(tr("Source range end in seconds"));
    lastEdited_ = rangeStart_;
    for (QLineEdit* field : {rangeStart_, rangeEnd_}) {
        field->installEventFilter(this);
        rangeRow->addWidget(field);
        connect(field, &QLineEdit::textEdited, this, [this, field] { lastEdited_ = field; });
    }
    addButton(rangeRow, tr("Use Play&head"), &RecordingWindowController::usePlayhead);
    addButton(rangeRow, tr("&Trim to Range"), &RecordingWindowController::trimToRange);
    addButton(rangeRow, tr("R&eset Trim"), &RecordingWindowController::resetTrim);
    rows->addWidget(range);

    auto* imageRow = new QHBoxLayout;
    addButton(imageRow, tr("Restore Cr&op"), &RecordingWindowController::restoreCrop);
    addButton(imageRow, tr("Remove &Last Redaction"),
              &RecordingWindowController::removeLastRedaction);
    muteSystem_ = new QCheckBox(tr("Mute s&ystem audio"), controls);
    muteMicrophone_ = new QCheckBox(tr("Mute &microphone"), controls);
    for (QCheckBox* box : {muteSystem_, muteMicrophone_}) {
        imageRow->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &RecordingWindowController::changeSound);
    }
    imageRow->addStretch();
    rows->addLayout(imageRow);

    auto* hint = new QLabel(tr("Time notes keep this source range. Dictation pauses playback. Crop "
                               "and redaction use the area you drag."),
                            controls);
    hint->setWordWrap(true);
    rows->addWidget(hint);
    return controls;
}

QPushButton* RecordingWindowController::addButton(QLayout* layout, const QString& text,
                                                  void (RecordingWindowController::*slot)()) {
    auto* button = new QPushButton(text, layout->parentWidget() ? layout->parentWidget() : this);
    layout->addWidget(button);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
}

QAbstractButton* RecordingWindowController::button(const QString& text) const {
    // Labels carry keyboard mnemonics ("&Trim to Range"); callers name the label as it shows.
    for (QAbstractButton* candidate : findChildren<QAbstractButton*>())
        if (QString(candidate->text()).remove(QRegularExpression(QStringLiteral("&(?!&)"))) == text)
            return candidate;
    return nullptr;
}

QString RecordingWindowController::statusText() const {
    return status_->text();
}

bool RecordingWindowController::isPreviewCurrent() const {
    const RecordingComposition* shown = player_->player().composition();
    return document_ && document_->note().screenRecording && shown && !previewTask_.isPending() &&
           editKey(shown->recording()) == editKey(shownRecording());
}

ScreenRecording RecordingWindowController::shownRecording() const {
    ScreenRecording recording = *document_->note().screenRecording;
    // The crop tool shows the whole picture, so that a new crop can reach past the current one.
    if (tool_ == Tool::Crop)
        recording.crop.reset();
    return recording;
}

void RecordingWindowController::outlineCrop() {
    const RecordingComposition* shown = player_->player().composition();
    const std::optional<Rect> crop = document_ && document_->note().screenRecording
                                         ? document_->note().screenRecording->crop
                                         : std::nullopt;
    if (tool_ != Tool::Crop || !shown || !crop || shown->recording().crop) {
        selection_->setOutline(std::nullopt);
        return;
    }
    const QRectF picture = player_->video()->pictureRect();
    const Rect whole = shown->recording().visibleRect();
    if (picture.isEmpty() || whole.width <= 0 || whole.height <= 0) {
        selection_->setOutline(std::nullopt);
        return;
    }
    const double scaleX = picture.width() / whole.width;
    const double scaleY = picture.height() / whole.height;
    selection_->setOutline(QRectF(picture.left() + (crop->x - whole.x) * scaleX,
                                  picture.top() + (crop->y - whole.y) * scaleY,
                                  crop->width * scaleX, crop->height * scaleY));
}

void RecordingWindowController::seek(qint64 sourceTime) {
    const RecordingComposition* shown = player_->player().composition();
    if (!shown || !isPreviewCurrent()) {
        pendingSeek_ = sourceTime;
        return;
    }
    player_->player().seek(sourceTime - shown->recording().selectedRange().start);
}

void RecordingWindowController::reload() {
    if (closed_)
        return;
    if (!document_ || !document_->note().screenRecording) {
        closed_ = true;
        close();
        return;
    }
    const ScreenRecording& edited = *document_->note().screenRecording;
    refreshControls(edited);
    // Other changes of the note (its text, say) leave the export's details as they are.
    if (const QString key = editKey(edited); exportedKey_ != key) {
        exportedKey_ = key;
        export_->setRecording(edited, noteRecordingDirectoryOrEmpty(document_->contents()));
    }
    const ScreenRecording recording = shownRecording();
    const QString key = editKey(recording);
    if (loadedKey_ == key) {
        outlineCrop();
        return;
    }
    loadedKey_ = key;
    if (!pendingSeek_ && player_->player().composition())
        pendingSeek_ = player_->player().sourcePosition();
    player_->player().pause();
    QString directory;
    try {
        directory = noteRecordingDirectory(document_->contents());
    } catch (const LumbexError& error) {
        player_->player().load(nullptr);
        showStatus(error.message());
        return;
    }
    previewTask_.start(
        tr("open the recording"),
        [recording, directory, open = services_.open] {
            return std::make_shared<const RecordingComposition>(
                RecordingComposition::make(recording, directory, std::nullopt, false, open));
        },
        [this](const WorkOutcome<std::shared_ptr<const RecordingComposition>>& outcome) {
            if (const LumbexError* error = outcome.error()) {
                player_->player().load(nullptr);
                showStatus(error->message());
                return;
            }
            const std::shared_ptr<const RecordingComposition>& composition = outcome.value();
            const qint64 start = composition->recording().selectedRange().start;
            const qint64 outputTime = pendingSeek_ ? *pendingSeek_ - start : 0;
            pendingSeek_.reset();
            player_->player().load(composition, outputTime);
        });
}

void RecordingWindowController::refreshControls(const ScreenRecording& recording) {
    setWindowTitle(document_->note().title);
    const RecordingRange selected = recording.selectedRange();
    // The fields follow the trim, and keep what was typed for a redaction or a note otherwise.
    if (shownRange_ != selected) {
        shownRange_ = selected;
        rangeStart_->setText(recordingFieldText(selected.start));
        rangeEnd_->setText(recordingFieldText(selected.end));
    }
    const QSignalBlocker blockSystem(muteSystem_);
    const QSignalBlocker blockMicrophone(muteMicrophone_);
    muteSystem_->setChecked(recording.muteSystem);
    muteMicrophone_->setChecked(recording.muteMicrophone);
    frameNotice_->setVisible(firstStaleFrame(document_->note()).has_value());
    const std::optional<QString> notice = recording.recoveryNotice();
    recoveryNotice_->setText(notice.value_or(QString()));
    recoveryNotice_->setVisible(notice.has_value());
}

void RecordingWindowController::setTool(Tool tool) {
    const bool wholePicture = (tool == Tool::Crop) != (tool_ == Tool::Crop);
    tool_ = tool;
    tools_->button(int(tool))->setChecked(true);
    selection_->setActive(tool != Tool::Play);
    if (tool != Tool::Play)
        player_->player().pause();
    if (wholePicture)
        reload();
}

void RecordingWindowController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isBusy()) {
        cancel();
        return;
    }
    if (event->key() == Qt::Key_Escape && tool_ != Tool::Play) {
        setTool(Tool::Play);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool RecordingWindowController::eventFilter(QObject* watched, QEvent* event) {
    // The drag layer covers the picture's widget exactly.
    if (watched == player_->video() && event->type() == QEvent::Resize) {
        selection_->setGeometry(player_->video()->rect());
        outlineCrop();
    }
    // A range field keeps the undo keys only while it has typing of its own to undo; otherwise
    // they undo the window's edits, as they do everywhere else in it.
    if (event->type() == QEvent::ShortcutOverride &&
        (watched == rangeStart_ || watched == rangeEnd_)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* field = static_cast<QLineEdit*>(watched);
        if ((key->matches(QKeySequence::Undo) && !field->isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !field->isRedoAvailable()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool RecordingWindowController::attempt(const std::function<void()>& edit) {
    if (!document_)
        return false;
    try {
        edit();
        showStatus({});
        // The typed times are part of the edit now: the undo keys undo the note from here on.
        for (QLineEdit* field : {rangeStart_, rangeEnd_})
            field->setText(field->text());
        return true;
    } catch (const LumbexError& error) {
        showStatus(error.message());
        return false;
    }
}

void RecordingWindowController::showStatus(const QString& text) {
    status_->setText(text);
}

void RecordingWindowController::usePlayhead() {
    lastEdited_->setText(recordingFieldText(player_->player().sourcePosition()));
}

void RecordingWindowController::trimToRange() {
    attempt([this] {
        const qint64 duration = document_->note().screenRecording->duration();
        trimRecording(*document_,
                      recordingFieldRange(rangeStart_->text(), rangeEnd_->text(), duration));
    });
}

void RecordingWindowController::resetTrim() {
    attempt([this] { resetRecordingTrim(*document_); });
}

void RecordingWindowController::restoreCrop() {
    attempt([this] { restoreRecordingCrop(*document_); });
}

void RecordingWindowController::removeLastRedaction() {
    attempt([this] { removeLastRecordingRedaction(*document_); });
}

void RecordingWindowController::changeSound() {
    attempt([this] {
        setRecordingSound(*document_, muteSystem_->isChecked(), muteMicrophone_->isChecked());
    });
    if (document_ && document_->note().screenRecording)
        refreshControls(*document_->note().screenRecording);
}

void RecordingWindowController::finishDrag(QPointF from, QPointF to) {
    const RecordingComposition* shown = player_->player().composition();
    if (!shown || tool_ == Tool::Play)
        return;
    // The drag is mapped through the crop of the picture shown (none while cropping).
    const std::optional<Rect> rect = recordingDragRect(player_->video()->pictureRect(), from, to,
                                                       shown->recording().visibleRect());
    if (!rect)
        return;
    const Tool tool = tool_;
    attempt([&] {
        if (tool == Tool::Crop) {
            cropRecording(*document_, *rect);
        } else {
            const qint64 duration = document_->note().screenRecording->duration();
            redactRecording(*document_,
                            recordingFieldRange(rangeStart_->text(), rangeEnd_->text(), duration),
                            *rect);
        }
    });
}

QWidget* RecordingWindowController::buildFrameButtons() {
    auto* group = new QGroupBox(tr("Notes && Frames"), this);
    auto* row = new QHBoxLayout(group);
    for (QPushButton* button :
         {addButton(row, tr("Add T&ime Note"), &RecordingWindowController::addTimeNote),
          addButton(row, tr("Add C&urrent Frame"), &RecordingWindowController::addCurrentFrame),
          addButton(row, tr("Add Th&ree Frames"), &RecordingWindowController::addThreeFrames)})
        operationButtons_.push_back(button);
    addButton(row, tr("Re&view Frames"), &RecordingWindowController::reviewFrames);
    row->addStretch();
    return group;
}

bool RecordingWindowController::isBusy() const {
    return operation_.isRunning() || export_->isBusy();
}

void RecordingWindowController::cancel() {
    operation_.cancel();
    export_->cancel();
}

void RecordingWindowController::setBusy(bool busy) {
    const bool running = busy || isBusy();
    for (QAbstractButton* button : operationButtons_)
        button->setEnabled(!running);
    export_->cancelButton()->setEnabled(running);
}

void RecordingWindowController::addCurrentFrame() {
    addFrames({player_->player().sourcePosition()});
}

void RecordingWindowController::addThreeFrames() {
    if (document_ && document_->note().screenRecording)
        addFrames(document_->note().screenRecording->suggestedFrameTimes());
}

void RecordingWindowController::addFrames(const std::vector<qint64>& times) {
    if (!document_ || isBusy())
        return;
    const bool started = attempt([&] {
        const ScreenRecording& recording = noteRecording(document_->contents());
        const QString directory = noteRecordingDirectory(document_->contents());
        const QString preparedFor = editKey(recording);
        operation_.start(tr("prepare the frames"), [this, recording, directory,
                                                    open = services_.open, times,
                                                    preparedFor](const std::atomic<bool>&,
                                                                 std::atomic<double>&) {
            const std::vector<RecordingStill> stills = prepareRecordingStills(
                RecordingComposition::make(recording, directory, std::nullopt, false, open), times);
            // Runs on this window's thread, only while the window and its operation exist.
            return std::function<void()>([this, stills, preparedFor] {
                if (!document_)
                    return;
                document_->appendRecordingFrames(stills, preparedFor, true);
                showStatus(tr("Frames added to the note. Review them in the image editor."));
            });
        });
    });
    if (started) {
        setBusy(true);
        showStatus(tr("Preparing frames…"));
    }
}

void RecordingWindowController::addTimeNote() {
    if (!document_ || isBusy())
        return;
    const bool started = attempt([&] {
        const ScreenRecording& recording = noteRecording(document_->contents());
        const RecordingRange range =
            recordingFieldRange(rangeStart_->text(), rangeEnd_->text(), recording.duration());
        requireTimeNoteRange(recording, range);
        const QString directory = noteRecordingDirectory(document_->contents());
        const QString preparedFor = editKey(recording);
        operation_.start(
            tr("prepare the time note"),
            [this, recording, directory, open = services_.open, range,
             preparedFor](const std::atomic<bool>&, std::atomic<double>&) {
                const RecordingStill still =
                    prepareRecordingStills(
                        RecordingComposition::make(recording, directory, std::nullopt, false, open),
                        {range.start})
                        .front();
                return std::function<void()>([this, still, range, preparedFor] {
                    if (!document_)
                        return;
                    const Id noteID = document_->addTimeNote(range, QString(), still, preparedFor);
                    showStatus(tr("Time note added. Type or dictate in its text field."));
                    if (services_.showTimeNote)
                        services_.showTimeNote(noteID);
                });
            });
    });
    if (started) {
        setBusy(true);
        showStatus(tr("Preparing time note…"));
    }
}

void RecordingWindowController::reviewFrames() {
    if (!document_)
        return;
    if (const std::optional<Id> stale = firstStaleFrame(document_->note());
        stale && services_.showImage)
        services_.showImage(*stale);
}

} // namespace lumbex
