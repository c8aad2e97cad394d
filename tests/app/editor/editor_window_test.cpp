#include "app/desktop/practice_note.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/editor/field_controls.h"
#include "app/editor/recognition_window.h"
#include "app/editor/request_flow.h"
#include "app/editor/side_panel.h"
#include "app/recognition_engines.h"
#include "canvas/canvas_view.h"
#include "model/note_document.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class EditorWindowTest : public ::testing::Test {
protected:
    EditorWindow* open(std::unique_ptr<NoteDocument> document) {
        auto* window = new EditorWindow(std::move(document), settings_, clipboard_);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        windows_.emplace_back(window);
        return window;
    }

    static QPoint onScreen(EditorWindow* window, Point source) {
        return window->canvas().screen(source).toPoint();
    }

    static void drag(EditorWindow* window, Point from, Point to) {
        QWidget* viewport = window->canvas().viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, onScreen(window, from));
        QTest::mouseMove(viewport, onScreen(window, {(from.x + to.x) / 2, (from.y + to.y) / 2}));
        QTest::mouseMove(viewport, onScreen(window, to));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, onScreen(window, to));
    }

    test::TemporaryFolder folder_;
    QSettings settings_{folder_.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ClipboardWatch clipboard_;
    std::vector<QPointer<EditorWindow>> windows_;

    void TearDown() override {
        for (const QPointer<EditorWindow>& window : windows_)
            if (window)
                window->close();
        QTest::qWait(50);
    }
};

TEST_F(EditorWindowTest, CopyForAgentWritesTheRequestFolderAndTheClipboardText) {
    EditorWindow* window = open(makePracticeNote());
    const QString project = folder_.path() + QStringLiteral("/project");
    QDir().mkpath(project);
    window->requestFlow().setDestination(project);

    QPushButton* copy = window->inspector().copyForAgentButton();
    ASSERT_TRUE(copy->isEnabled());
    QTest::mouseClick(copy, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window->statusMessage(),
                              QStringLiteral("Copied · Paste into Codex or Claude"), 10000);

    const QString text = QApplication::clipboard()->text();
    ASSERT_TRUE(text.startsWith(QStringLiteral("Read this Lumbex request"))) << text.toStdString();
    const QStringList lines = text.split(u'\n');
    const QString request = lines.value(lines.indexOf(QStringLiteral("Request:")) + 1);
    EXPECT_TRUE(request.startsWith(project + QStringLiteral("/.lumbex/handoffs/")));
    QFile markdown(request);
    ASSERT_TRUE(markdown.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(markdown.readAll())
                    .contains(QStringLiteral("Move this button to the right edge of the card.")));
}

TEST_F(EditorWindowTest, ADrawnRectangleIsOneUndoableChangeThatTheSelectToolMoves) {
    EditorWindow* window = open(makePracticeNote());
    CanvasView& canvas = window->canvas();
    canvas.setFocus();
    QTest::keyClick(&canvas, Qt::Key_R);
    ASSERT_EQ(canvas.tool(), CanvasTool::Rectangle);
    const size_t before = window->document().note().marks.size();

    drag(window, {300, 200}, {500, 320});
    ASSERT_EQ(window->document().note().marks.size(), before + 1);
    const Mark& drawn = window->document().note().marks.back();
    const Id id = drawn.id;
    EXPECT_EQ(drawn.kind, MarkKind::Rectangle);
    EXPECT_NEAR(drawn.rect().width, 200, 2);
    EXPECT_NEAR(drawn.rect().height, 120, 2);
    QUndoStack& undo = window->document().undoStack();
    EXPECT_EQ(undo.undoText(), QStringLiteral("Add Rectangle"));
    undo.undo();
    EXPECT_EQ(window->document().note().marks.size(), before);
    undo.redo();
    ASSERT_TRUE(window->document().note().mark(id));

    QTest::keyClick(&canvas, Qt::Key_V);
    drag(window, {300, 260}, {340, 300});
    const Rect afterMove = window->document().note().mark(id)->rect();
    EXPECT_NEAR(afterMove.x, 340, 2);
    EXPECT_NEAR(afterMove.y, 240, 2);
    EXPECT_EQ(undo.undoText(), QStringLiteral("Move Annotation"));
    EXPECT_EQ(canvas.selectedID(), id);

    QTest::keyClick(&canvas, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window->document().note().mark(id)->rect().x, afterMove.x + 10);
    EXPECT_EQ(window->document().note().mark(id)->rect().y, afterMove.y);
}

TEST_F(EditorWindowTest, InspectorFieldsClampNumbersAndNormaliseColors) {
    EditorWindow* window = open(makePracticeNote());
    auto* width =
        window->inspector().findChild<InspectorNumberControl*>(QStringLiteral("Stroke width"));
    ASSERT_TRUE(width);
    QLineEdit* field = width->findChild<QLineEdit*>();
    ASSERT_TRUE(field);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("40"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(window->drawingDefaults().lineWidth, 32);

    const Id pin = window->document().note().marks.front().id;
    window->canvas().selectAnnotation(pin);
    window->selectionDidChange();
    auto* color =
        window->inspector().findChild<InspectorColorControl*>(QStringLiteral("Annotation color"));
    ASSERT_TRUE(color);
    color->field()->setFocus();
    color->field()->selectAll();
    QTest::keyClicks(color->field(), QStringLiteral("ff3b30"));
    QTest::keyClick(color->field(), Qt::Key_Return);
    EXPECT_EQ(window->canvas().selectedID(), pin) << window->statusMessage().toStdString();
    EXPECT_EQ(window->document().note().mark(pin)->color, QStringLiteral("#FF3B30"));
    EXPECT_EQ(window->document().undoStack().undoText(), QStringLiteral("Change Annotation Color"));

    color->field()->selectAll();
    QTest::keyClicks(color->field(), QStringLiteral("not a color"));
    QTest::keyClick(color->field(), Qt::Key_Return);
    EXPECT_EQ(color->field()->text(), QStringLiteral("#FF3B30"));
}

TEST_F(EditorWindowTest, ExtractTextShowsTheImageTextAndKeepsItInTheNote) {
    EditorWindow* window = open(makePracticeNote());
    window->setRecognitionEngines(installedRecognitionEngines());
    window->readImage(false, std::nullopt);
    RecognitionWindow* reading = window->recognitionWindow();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->windowTitle(), QStringLiteral("Extract Text"));
    QTRY_VERIFY_WITH_TIMEOUT(
        reading->session().state().phase == RecognitionWindowState::Phase::Finished, 60000);
    const QString text = reading->output()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("workspace"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Open project"))) << text.toStdString();
    const Media& media = window->document().note().media.front();
    ASSERT_TRUE(media.recognition);
    EXPECT_TRUE(media.recognition->text.contains(QStringLiteral("workspace")));
    EXPECT_EQ(window->document().undoStack().count(), 0) << "the cache is not an undo step";
}

TEST_F(EditorWindowTest, TheOnlyImageCannotBeRemoved) {
    EditorWindow* window = open(makePracticeNote());
    window->removeActiveImage();
    EXPECT_EQ(window->statusMessage(),
              QStringLiteral("Keep at least one image in this note. Add another frame or image "
                             "first."));
    EXPECT_EQ(window->document().note().media.size(), 1u);
}

TEST_F(EditorWindowTest, ReopeningRestoresToolImageAndZoom) {
    EditorWindow* window = open(makePracticeNote());
    const Id noteID = window->document().note().id;
    window->selectTool(CanvasTool::Text);
    window->setDisplayZoom(std::optional(2.0));
    const EditorViewState state = window->viewState();
    window->close();
    const std::optional<EditorViewState> stored = EditorViewState::load(settings_, noteID);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->tool, CanvasTool::Text);
    EXPECT_EQ(stored->mediaID, state.mediaID);
    ASSERT_TRUE(stored->zoom);
    EXPECT_NEAR(*stored->zoom, 2.0, 1e-9);
}

} // namespace
} // namespace lumbex
