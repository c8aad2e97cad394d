#include "app/recording_ui/recording_player_panel.h"
#include "app/recording_ui/recording_selection_layer.h"
#include "app/recording_ui/recording_window_controller.h"
#include "model/image_content.h"
#include "platform/recording_export.h"
#include "platform/segment_sound.h"
#include "recording/recording_document.h"
#include "recording/recording_edits.h"
#include "recording/recording_note_folder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace lumbex {
namespace {

constexpr int kWait = 10'000;

// A note with a three-second recording of 160 × 120 pictures, in an open recording window.
class RecordingWindowTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::red, 1);
        segments.addSegment(Qt::blue, 2);
        document = test::openRecordingNote(segments, package.path("note.capturenote"));
        RecordingWindowServices services;
        services.open = openSegmentPictures;
        services.media = {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes,
                          readSegmentSound};
        services.chooseDestination = [](RecordingExportFormat) { return QString(); };
        services.showTimeNote = [this](const Id& id) { shownNotes.push_back(id); };
        services.showImage = [this](const Id& id) { shownImages.push_back(id); };
        window = new RecordingWindowController(*document, services);
        window->resize(700, 600);
        window->show();
        waitForPreview();
    }
    void TearDown() override { delete window.data(); }

    const ScreenRecording& recording() const { return *document->note().screenRecording; }
    RecordingPlayer& player() const { return window->playerPanel()->player(); }

    void waitForPreview() const {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return window->isPreviewCurrent() && !player().picture().isNull(); }, kWait));
    }
    void setRange(const QString& start, const QString& end) const {
        window->rangeStart()->setText(start);
        window->rangeEnd()->setText(end);
    }
    void click(const QString& text) const {
        QAbstractButton* button = window->button(text);
        ASSERT_TRUE(button) << text.toStdString();
        button->click();
    }
    // Drags over the picture from one fraction of its size to another.
    void drag(QPointF from, QPointF to) const {
        const QRectF picture = window->playerPanel()->video()->pictureRect();
        const auto at = [&](QPointF f) {
            return (picture.topLeft() + QPointF(f.x() * picture.width(), f.y() * picture.height()))
                .toPoint();
        };
        QTest::mousePress(window->selection(), Qt::LeftButton, {}, at(from));
        QTest::mouseMove(window->selection(), at(to));
        QTest::mouseRelease(window->selection(), Qt::LeftButton, {}, at(to));
    }
    QString undoText() const { return document->undoStack().undoText(); }

    test::SegmentFolder segments;
    test::TemporaryFolder package;
    std::unique_ptr<NoteDocument> document;
    QPointer<RecordingWindowController> window;
    std::vector<Id> shownNotes;
    std::vector<Id> shownImages;
};

// Every control is reachable with Alt and a letter; two controls on one letter would leave one
// of them unreachable.
TEST_F(RecordingWindowTest, EachMnemonicReachesOneControl) {
    QStringList labels;
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        labels << button->text();
    for (const QGroupBox* group : window->findChildren<QGroupBox*>())
        labels << group->title();
    std::map<QChar, QString> taken;
    int reachable = 0;
    for (const QString& label : labels) {
        const QRegularExpressionMatch mnemonic =
            QRegularExpression(QStringLiteral("(?<!&)&([^&])")).match(label);
        if (!mnemonic.hasMatch())
            continue;
        const QChar key = mnemonic.captured(1).at(0).toLower();
        const auto [at, added] = taken.emplace(key, label);
        EXPECT_TRUE(added) << label.toStdString() << " and " << at->second.toStdString();
        ++reachable;
    }
    EXPECT_GE(reachable, 16);
    for (const char* label : {"Trim to Range", "Add Three Frames", "Export", "Redact"})
        EXPECT_TRUE(window->button(QString::fromUtf8(label))) << label;
}

TEST_F(RecordingWindowTest, TheRangeFieldsNameTheirFaults) {
    EXPECT_EQ(window->rangeStart()->objectName(), "recording.range.start");
    EXPECT_EQ(window->rangeEnd()->objectName(), "recording.range.end");
    EXPECT_EQ(window->rangeStart()->accessibleName(), "Source range start in seconds");
    EXPECT_EQ(window->rangeEnd()->accessibleName(), "Source range end in seconds");
    const qint64 duration = recording().duration();
    const QString full = QString::number(double(duration) / 1e6, 'f', 6);
    const struct {
        QString start, end, status;
        std::optional<RecordingRange> trim;
    } cases[] = {
        {"2.5", "2.5", "Choose a range inside the recording.", std::nullopt},
        {"1", "0.5", "Choose a range inside the recording.", std::nullopt},
        {"0", "9", "Choose a range inside the recording.", std::nullopt},
        {"a", "2", "Enter a valid source time in seconds.", std::nullopt},
        {"1", "86400.5", "Enter a valid source time in seconds.", std::nullopt},
        {"0", full, "", RecordingRange{0, duration}},
        {"0.5", "2.25", "", RecordingRange{500'000, 2'250'000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.start + " " + c.end).toStdString());
        const int steps = document->undoStack().count();
        const std::optional<RecordingRange> before = recording().trim;
        setRange(c.start, c.end);
        click("Trim to Range");
        EXPECT_EQ(window->statusText(), c.status);
        EXPECT_EQ(recording().trim, c.trim ? c.trim : before) << "a refusal keeps the trim";
        EXPECT_EQ(document->undoStack().count(), steps + (c.trim ? 1 : 0));
        if (c.trim) {
            EXPECT_EQ(undoText(), "Trim Recording");
        }
    }
    // The fields follow the trim; the preview is rebuilt for it.
    EXPECT_EQ(window->rangeStart()->text(), "0.500");
    EXPECT_EQ(window->rangeEnd()->text(), "2.250");
    waitForPreview();
    EXPECT_EQ(player().duration(), 1'750'000);

    click("Reset Trim");
    EXPECT_FALSE(recording().trim);
    EXPECT_EQ(undoText(), "Reset Trim");
    EXPECT_EQ(window->rangeStart()->text(), "0.000");
}

TEST_F(RecordingWindowTest, CropAndRedactionAreDraggedOverThePicture) {
    window->setTool(RecordingWindowController::Tool::Crop);
    EXPECT_TRUE(window->selection()->isActive());
    drag({0.25, 0.25}, {0.75, 0.75});
    ASSERT_TRUE(recording().crop) << window->statusText().toStdString();
    const Rect crop = *recording().crop;
    EXPECT_NEAR(crop.x, 40, 1);
    EXPECT_NEAR(crop.y, 30, 1);
    EXPECT_NEAR(crop.width, 80, 2);
    EXPECT_NEAR(crop.height, 60, 2);
    EXPECT_EQ(undoText(), "Crop Recording");

    // Escape ends the tool; a drag then changes nothing.
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(window->tool(), RecordingWindowController::Tool::Play);
    EXPECT_FALSE(window->selection()->isActive());

    // The picture now shows the crop: a redaction over its left half lies in the crop's.
    waitForPreview();
    EXPECT_EQ(player().picture().size(), QSize(int(crop.width), int(crop.height)));
    setRange("0.5", "1.5");
    window->setTool(RecordingWindowController::Tool::Redact);
    drag({0, 0}, {0.5, 1});
    ASSERT_EQ(recording().redactions.size(), 1u) << window->statusText().toStdString();
    const RecordingRedaction redaction = recording().redactions[0];
    EXPECT_EQ(redaction.range, (RecordingRange{500'000, 1'500'000}));
    EXPECT_EQ(redaction.rect.x, crop.x);
    EXPECT_EQ(redaction.rect.y, crop.y);
    EXPECT_NEAR(redaction.rect.width, crop.width / 2, 1);
    EXPECT_EQ(redaction.rect.height, crop.height);
    EXPECT_EQ(undoText(), "Redact Recording");

    // A redaction needs a valid range.
    setRange("2.5", "2.5");
    drag({0.5, 0}, {1, 1});
    EXPECT_EQ(window->statusText(), "Choose a range inside the recording.");
    EXPECT_EQ(recording().redactions.size(), 1u);

    click("Restore Crop");
    EXPECT_FALSE(recording().crop);
    EXPECT_EQ(undoText(), "Reset Recording Crop");
}

// While cropping, the whole picture shows with the crop outlined, so a new crop can be larger
// than the one before or lie elsewhere; back in play the picture is the crop again.
TEST_F(RecordingWindowTest, TheCropToolShowsTheWholePicture) {
    cropRecording(*document, Rect{40, 30, 80, 60});
    waitForPreview();
    ASSERT_EQ(player().picture().size(), QSize(80, 60));

    window->setTool(RecordingWindowController::Tool::Crop);
    waitForPreview();
    EXPECT_EQ(player().picture().size(), QSize(160, 120));
    const QRectF picture = window->playerPanel()->video()->pictureRect();
    ASSERT_TRUE(window->selection()->outline());
    const QRectF outline = *window->selection()->outline();
    EXPECT_NEAR(outline.left(), picture.left() + picture.width() / 4, 1);
    EXPECT_NEAR(outline.top(), picture.top() + picture.height() / 4, 1);
    EXPECT_NEAR(outline.width(), picture.width() / 2, 1);

    drag({0, 0}, {0.875, 0.875});
    ASSERT_TRUE(recording().crop) << window->statusText().toStdString();
    EXPECT_NEAR(recording().crop->x, 0, 1);
    EXPECT_NEAR(recording().crop->width, 140, 2) << "a crop past the one before";
    waitForPreview();
    EXPECT_EQ(player().picture().size(), QSize(160, 120)) << "still the whole picture";
    EXPECT_NEAR(window->selection()->outline()->width(), picture.width() * 0.875, 2);

    window->setTool(RecordingWindowController::Tool::Play);
    waitForPreview();
    EXPECT_FALSE(window->selection()->outline());
    EXPECT_EQ(player().picture().size(),
              QSize(int(recording().crop->width), int(recording().crop->height)));
}

TEST_F(RecordingWindowTest, RemovingTheLastRedactionTwiceRemovesTwoUndoably) {
    for (const double x : {0.0, 40.0, 80.0})
        redactRecording(*document, {0, 1'000'000}, Rect{x, 0, 20, 20});
    click("Remove Last Redaction");
    EXPECT_EQ(undoText(), "Remove Recording Redaction");
    click("Remove Last Redaction");
    EXPECT_EQ(undoText(), "Remove Recording Redaction");
    ASSERT_EQ(recording().redactions.size(), 1u);
    EXPECT_EQ(recording().redactions[0].rect.x, 0);
    document->undoStack().undo();
    document->undoStack().undo();
    ASSERT_EQ(recording().redactions.size(), 3u);
    EXPECT_EQ(recording().redactions[2].rect.x, 80);
}

TEST_F(RecordingWindowTest, TheMuteBoxesChangeTheSoundAndFollowUndo) {
    window->muteSystem()->click();
    EXPECT_TRUE(recording().muteSystem);
    EXPECT_FALSE(recording().muteMicrophone);
    EXPECT_EQ(undoText(), "Change Recording Sound");
    window->muteMicrophone()->click();
    EXPECT_TRUE(recording().muteMicrophone);
    document->undoStack().undo();
    EXPECT_FALSE(window->muteMicrophone()->isChecked());
    EXPECT_TRUE(window->muteSystem()->isChecked());
    EXPECT_EQ(window->button("Mute system audio"), window->muteSystem());
    EXPECT_EQ(window->button("Mute microphone"), window->muteMicrophone());
}

TEST_F(RecordingWindowTest, TheUsualKeysUndoAndRedoTheWindowsEdits) {
    // The end field as the window shows it, rounded up past the recording's end, still trims.
    setRange(QStringLiteral("0.5"), window->rangeEnd()->text());
    click("Trim to Range");
    ASSERT_EQ(recording().trim, (RecordingRange{500'000, recording().duration()}));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keySequence(window, QKeySequence(QKeySequence::Undo));
    EXPECT_FALSE(recording().trim);
    QTest::keySequence(window, QKeySequence(QKeySequence::Redo));
    EXPECT_EQ(recording().trim, (RecordingRange{500'000, recording().duration()}));
}

// In a range field the undo keys undo its typing while there is some, then the window's edits.
TEST_F(RecordingWindowTest, UndoInARangeFieldUndoesItsTypingThenTheEdit) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QLineEdit* start = window->rangeStart();
    start->setFocus();
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("0.5"));
    click("Trim to Range");
    ASSERT_TRUE(recording().trim);
    ASSERT_TRUE(start->hasFocus());

    QTest::keyClicks(start, QStringLiteral("7"));
    QTest::keySequence(start, QKeySequence(QKeySequence::Undo));
    EXPECT_EQ(start->text(), "0.500") << "the field's own typing goes first";
    EXPECT_TRUE(recording().trim);
    QTest::keySequence(start, QKeySequence(QKeySequence::Undo));
    EXPECT_FALSE(recording().trim) << "then the trim";
    QTest::keySequence(start, QKeySequence(QKeySequence::Redo));
    EXPECT_TRUE(recording().trim);
}

// Typing in the note changes the note, not its recording: the size estimate stands.
TEST_F(RecordingWindowTest, OtherChangesOfTheNoteKeepTheExportEstimate) {
    auto* estimate = window->findChild<QLabel*>(QStringLiteral("recording.export.estimate"));
    ASSERT_TRUE(estimate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return estimate->text().startsWith("Estimated "); }, kWait));
    const QString before = estimate->text();
    document->change(QStringLiteral("Typing"),
                     [](CaptureNote& note) { note.general = QStringLiteral("Checkout stalls"); });
    EXPECT_EQ(estimate->text(), before);
    window->muteSystem()->click();
    EXPECT_EQ(estimate->text(), "Estimating size…") << "a recording edit estimates again";
}

TEST_F(RecordingWindowTest, ThePlayerShowsWhatIsExported) {
    trimRecording(*document, {700'000, 2'600'000});
    cropRecording(*document, {20, 10, 100, 80});
    redactRecording(*document, {900'000, 1'200'000}, {30, 20, 40, 40});
    waitForPreview();
    const RecordingComposition exported =
        RecordingComposition::make(recording(), noteRecordingDirectory(document->contents()),
                                   std::nullopt, false, openSegmentPictures);
    for (const qint64 sourceTime : {700'000, 1'000'000, 1'250'000, 2'599'999}) {
        SCOPED_TRACE(sourceTime);
        window->seek(sourceTime);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return player().frame().sourceTime == sourceTime; }, kWait));
        EXPECT_EQ(player().picture(), exported.frameAt(sourceTime).render());
    }
}

TEST_F(RecordingWindowTest, UsePlayheadFillsTheFieldLastEdited) {
    window->seek(1'234'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player().sourcePosition() == 1'234'000; }, kWait));
    click("Use Playhead");
    EXPECT_EQ(window->rangeStart()->text(), "1.234");
    QTest::keyClicks(window->rangeEnd(), "9");
    click("Use Playhead");
    EXPECT_EQ(window->rangeEnd()->text(), "1.234");
    EXPECT_EQ(window->rangeStart()->text(), "1.234");
}

TEST_F(RecordingWindowTest, ASeekBeforeThePreviewIsReadyWaitsForIt) {
    trimRecording(*document, {500'000, 2'500'000});
    window->seek(2'000'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player().frame().sourceTime == 2'000'000; }, kWait));
    EXPECT_EQ(player().position(), 1'500'000);
}

TEST_F(RecordingWindowTest, PauseAllPausesEveryWindow) {
    player().play();
    ASSERT_TRUE(player().isPlaying());
    RecordingWindowController::pauseAll();
    EXPECT_FALSE(player().isPlaying());
}

TEST_F(RecordingWindowTest, ShowsTheRecoveryNotice) {
    EXPECT_FALSE(window->recoveryNotice()->isVisibleTo(window));
    document->changeRecording("Recover",
                              [](ScreenRecording& r) { r.recovery = RecordingRecovery::Partial; });
    EXPECT_TRUE(window->recoveryNotice()->isVisibleTo(window));
    EXPECT_EQ(window->recoveryNotice()->text(), *recording().recoveryNotice());
    EXPECT_EQ(window->recoveryNotice()->objectName(), "recording.recovery.notice");
    EXPECT_EQ(window->recoveryNotice()->accessibleName(), "Recording recovery");
}

TEST_F(RecordingWindowTest, AddsFramesAsOneUndoStep) {
    const size_t images = document->note().media.size();
    window->seek(1'500'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player().sourcePosition() == 1'500'000; }, kWait));
    click("Add Current Frame");
    EXPECT_EQ(window->statusText(), "Preparing frames…");
    EXPECT_TRUE(window->isBusy());
    EXPECT_FALSE(window->button("Add Three Frames")->isEnabled());
    EXPECT_FALSE(window->exportControls()->exportButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isBusy(); }, kWait));
    EXPECT_EQ(window->statusText(), "Frames added to the note. Review them in the image editor.");
    EXPECT_TRUE(window->button("Add Three Frames")->isEnabled());
    ASSERT_EQ(document->note().media.size(), images + 1);
    EXPECT_EQ(document->note().media.back().name, "Frame · 00:01.500");
    EXPECT_EQ(undoText(), "Add Recording Frames");

    click("Add Three Frames");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isBusy(); }, kWait));
    EXPECT_EQ(document->note().media.size(), images + 4);
    document->undoStack().undo();
    EXPECT_EQ(document->note().media.size(), images + 1);
}

TEST_F(RecordingWindowTest, AddsATimeNoteInsideTheTrim) {
    trimRecording(*document, {1'000'000, 2'500'000});
    setRange("0.5", "1.5");
    click("Add Time Note");
    EXPECT_EQ(window->statusText(), "Choose a note range inside the current trim.");
    EXPECT_FALSE(window->isBusy());

    const size_t notes = document->note().notes.size();
    setRange("1.25", "2");
    click("Add Time Note");
    EXPECT_EQ(window->statusText(), "Preparing time note…");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isBusy(); }, kWait));
    EXPECT_EQ(window->statusText(), "Time note added. Type or dictate in its text field.");
    ASSERT_EQ(document->note().notes.size(), notes + 1);
    EXPECT_EQ(undoText(), "Add Time Note");
    ASSERT_EQ(shownNotes.size(), 1u);
    EXPECT_EQ(shownNotes[0], document->note().notes.back().id);
}

TEST_F(RecordingWindowTest, ReviewFramesShowsTheFirstStaleFrame) {
    EXPECT_FALSE(window->frameNotice()->isVisibleTo(window));
    click("Review Frames");
    EXPECT_TRUE(shownImages.empty());
    cropRecording(*document, {0, 0, 100, 100});
    EXPECT_TRUE(window->frameNotice()->isVisibleTo(window));
    EXPECT_EQ(window->frameNotice()->text(),
              "Previous frames need review. Use Review Frames to "
              "add updated frames, then remove or exclude old ones.");
    click("Review Frames");
    ASSERT_EQ(shownImages.size(), 1u);
    EXPECT_EQ(shownImages[0], document->note().media.front().id);
    EXPECT_FALSE(isFrameCurrent(document->note(), document->note().media.front()));
}

TEST_F(RecordingWindowTest, EscapeCancelsAnExport) {
    test::TemporaryFolder out;
    const QByteArray previous = "kept";
    const QString destination = out.write("clip.mp4", previous);
    delete window.data();
    RecordingWindowServices services;
    services.open = openSegmentPictures;
    services.media = {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes,
                      readSegmentSound};
    services.chooseDestination = [&](RecordingExportFormat) { return destination; };
    window = new RecordingWindowController(*document, services);
    window->exportControls()->exportButton()->click();
    EXPECT_TRUE(window->isBusy());
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isBusy(); }, kWait));
    EXPECT_EQ(window->statusText(), "Cancelled. Previous files are unchanged.");
    QFile file(destination);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), previous);
}

TEST_F(RecordingWindowTest, ClosesWhenTheNoteLosesItsRecording) {
    document->change("Remove Recording", [](CaptureNote& note) {
        note.screenRecording.reset();
        for (Media& media : note.media)
            media.recordingFrame.reset();
    });
    ASSERT_FALSE(document->note().screenRecording);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWait));
}

TEST_F(RecordingWindowTest, ClosesWithItsDocument) {
    document.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWait));
}

} // namespace
} // namespace lumbex
