#include "canvas/canvas_view.h"
#include "canvas/mock_canvas_editor.h"
#include "geometry/mark_geometry.h"
#include "support/test_marks.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tuple>

namespace lumbex {
namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SaveArg;

constexpr QRgb kImageColor = 0xff2080c0;

// A 400 × 300 image shown in a 900 × 700 canvas at zoom 1, so that source pixels map to whole
// view points and a drag of n points moves n pixels.
class CanvasViewTest : public ::testing::Test {
protected:
    NiceMock<test::MockCanvasEditor> editor;
    CanvasView view{editor};
    Media media;
    QImage original{400, 300, QImage::Format_RGB32};
    std::vector<Mark> marks;
    MarkNumbers numbers;

    void SetUp() override {
        original.fill(kImageColor);
        media.id = newId();
        media.name = QStringLiteral("Screen.png");
        media.width = original.width();
        media.height = original.height();
        view.resize(900, 700);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        show();
        view.setZoom(1);
    }

    void show() { view.setContent(&media, original, marks, numbers); }
    Mark& add(MarkKind kind, Point start, Point end) {
        Mark& mark = marks.emplace_back(makeMark(kind, start, end));
        mark.mediaID = media.id;
        show();
        return mark;
    }

    QPointF at(Point p) const { return view.screen(p); }
    void send(QEvent::Type type, Point p, Qt::KeyboardModifiers modifiers = {},
              Qt::MouseButton button = Qt::LeftButton) {
        const QPointF local = at(p);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, local, view.viewport()->mapToGlobal(local),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
        QApplication::sendEvent(view.viewport(), &event);
    }
    void dragFrom(Point from, Point to, Qt::KeyboardModifiers modifiers = {}) {
        send(QEvent::MouseButtonPress, from, modifiers);
        send(QEvent::MouseMove, {(from.x + to.x) / 2, (from.y + to.y) / 2}, modifiers);
        send(QEvent::MouseMove, to, modifiers);
        send(QEvent::MouseButtonRelease, to, modifiers);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&view, k, modifiers);
    }
};

TEST_F(CanvasViewTest, DragCreatesTheToolsMarkOnlyAtTheMinimumSize) {
    view.setTool(CanvasTool::Rectangle);
    EXPECT_CALL(editor, addMark(_)).Times(0);
    dragFrom({50, 60}, {50, 60});
    ::testing::Mock::VerifyAndClearExpectations(&editor);

    for (const auto& [tool, kind, from, to] :
         {std::tuple{CanvasTool::Arrow, MarkKind::Arrow, Point{50, 60}, Point{150, 10}},
          {CanvasTool::Freehand, MarkKind::Freehand, Point{100, 100}, Point{160, 140}}}) {
        view.setTool(tool);
        Mark added;
        EXPECT_CALL(editor, addMark(_)).WillOnce(SaveArg<0>(&added));
        dragFrom(from, to);
        EXPECT_EQ(added.kind, kind);
        EXPECT_EQ(added.mediaID, media.id);
        EXPECT_EQ(added.rect(), Rect::spanning(from, to));
    }
}

TEST_F(CanvasViewTest, CropDragIsClampedToTheImage) {
    view.setTool(CanvasTool::Crop);
    Rect crop;
    EXPECT_CALL(editor, setCrop(_)).WillOnce(SaveArg<0>(&crop));
    EXPECT_CALL(editor, addMark(_)).Times(0);
    dragFrom({300, 200}, {460, 350});
    EXPECT_EQ(crop, (Rect{300, 200, 100, 100}));
}

TEST_F(CanvasViewTest, ClickSelectsAndDragMovesTheMark) {
    const Mark rectangle = add(MarkKind::Rectangle, {100, 100}, {200, 150});
    EXPECT_CALL(editor, selectionDidChange()).Times(1);
    Mark moved;
    EXPECT_CALL(editor, updateMark(_)).WillOnce(SaveArg<0>(&moved));
    dragFrom({150, 100}, {180, 130});
    EXPECT_EQ(view.selectedID(), rectangle.id);
    EXPECT_TRUE(view.showsSelectionHandles());
    EXPECT_EQ(moved.id, rectangle.id);
    EXPECT_EQ(moved.rect(), (Rect{130, 130, 100, 50}));
}

TEST_F(CanvasViewTest, ClickWithoutMovingChangesNothing) {
    add(MarkKind::Rectangle, {100, 100}, {200, 150});
    EXPECT_CALL(editor, updateMark(_)).Times(0);
    dragFrom({150, 100}, {150, 100});
    EXPECT_TRUE(view.selectedID());
    dragFrom({300, 250}, {300, 250});
    EXPECT_FALSE(view.selectedID());
}

TEST_F(CanvasViewTest, HandleResizesTheSelectedMark) {
    const Mark rectangle = add(MarkKind::Rectangle, {100, 100}, {200, 150});
    dragFrom({150, 100}, {150, 100});
    Mark resized;
    EXPECT_CALL(editor, updateMark(_)).WillOnce(SaveArg<0>(&resized));
    dragFrom({204, 153}, {260, 190});
    EXPECT_EQ(resized.id, rectangle.id);
    EXPECT_EQ(resized.start, (Point{100, 100}));
    EXPECT_EQ(resized.end, (Point{260, 190}));
}

TEST_F(CanvasViewTest, HandleDraggedLeftOfTheStartMirrorsAStroke) {
    Mark& stroke = add(MarkKind::Freehand, {100, 100}, {200, 130});
    stroke.points = std::vector<Point>{{100, 100}, {150, 130}, {200, 100}};
    show();
    dragFrom({150, 130}, {150, 130});
    Mark resized;
    EXPECT_CALL(editor, updateMark(_)).WillOnce(SaveArg<0>(&resized));
    dragFrom({200, 130}, {50, 130});
    EXPECT_EQ(resized.points, (std::vector<Point>{{100, 100}, {75, 130}, {50, 100}}));
}

TEST_F(CanvasViewTest, DraggedMarkKeepsTheCanvasStillUntilRelease) {
    add(MarkKind::Rectangle, {100, 100}, {200, 150});
    const Rect before = view.outputBounds();
    const QRectF imageBefore = view.imageRect();
    EXPECT_CALL(editor, updateMark(_)).WillOnce([&](const Mark& moved) {
        marks.front() = moved;
        show();
    });
    send(QEvent::MouseButtonPress, {150, 100});
    send(QEvent::MouseMove, {550, 100});
    EXPECT_EQ(view.outputBounds(), before);
    EXPECT_EQ(view.imageRect(), imageBefore);
    send(QEvent::MouseButtonRelease, {550, 100});
    EXPECT_EQ(view.outputBounds(), outputRect(media, marks, numbers));
    EXPECT_GT(view.outputBounds().maxX(), 600);
}

TEST_F(CanvasViewTest, ArrowDeleteAndReturnKeysActOnlyOnTheSelection) {
    const Mark line = add(MarkKind::Line, {100, 100}, {200, 100});
    EXPECT_CALL(editor, updateMark(_)).Times(0);
    EXPECT_CALL(editor, deleteAnnotation()).Times(0);
    EXPECT_CALL(editor, editSelectedNote()).Times(0);
    key(Qt::Key_Left, Qt::ShiftModifier);
    key(Qt::Key_Delete);
    key(Qt::Key_Return);
    ::testing::Mock::VerifyAndClearExpectations(&editor);

    view.selectAnnotation(line.id, false);
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, Point> rows[] = {
        {Qt::Key_Left, {}, {-1, 0}},
        {Qt::Key_Up, Qt::ShiftModifier, {0, -10}},
    };
    for (const auto& [k, modifiers, offset] : rows) {
        Mark moved;
        EXPECT_CALL(editor, updateMark(_)).WillOnce(SaveArg<0>(&moved));
        key(k, modifiers);
        EXPECT_EQ(moved.start, line.start + offset) << k;
        EXPECT_EQ(moved.end, line.end + offset) << k;
    }
    EXPECT_CALL(editor, deleteAnnotation()).Times(2);
    EXPECT_CALL(editor, editSelectedNote()).Times(1);
    key(Qt::Key_Delete);
    key(Qt::Key_Backspace);
    key(Qt::Key_Return);
}

TEST_F(CanvasViewTest, ShortcutLettersSelectTools) {
    for (const CanvasToolInfo& info : canvasTools()) {
        if (info.tool == CanvasTool::Pointer)
            continue;
        EXPECT_CALL(editor, selectTool(info.tool)).Times(1);
        key(Qt::Key(Qt::Key_A + (info.shortcut - 'A')));
        EXPECT_EQ(view.tool(), info.tool) << info.shortcut;
    }
}

// N adds a note at the centre instead of choosing a tool; command keys are left to the window.
TEST_F(CanvasViewTest, NAndCommandKeysChooseNoTool) {
    EXPECT_CALL(editor, selectTool(_)).Times(0);
    EXPECT_CALL(editor, addCenteredNote(view.visibleCenter())).Times(1);
    key(Qt::Key_N);
    key(Qt::Key_R, Qt::ControlModifier);
    key(Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(view.tool(), CanvasTool::Select);
}

TEST_F(CanvasViewTest, EscapeCancelsTheGestureSelectionAndTool) {
    const Mark line = add(MarkKind::Line, {100, 100}, {200, 100});
    view.setTool(CanvasTool::Rectangle);
    view.selectAnnotation(line.id);
    send(QEvent::MouseButtonPress, {10, 10});
    send(QEvent::MouseMove, {60, 60});
    EXPECT_CALL(editor, selectTool(CanvasTool::Select));
    EXPECT_CALL(editor, addMark(_)).Times(0);
    key(Qt::Key_Escape);
    send(QEvent::MouseButtonRelease, {60, 60});
    EXPECT_EQ(view.tool(), CanvasTool::Select);
    EXPECT_FALSE(view.selectedID());
}

TEST_F(CanvasViewTest, MeasuresInsideTheOutputWithoutCreatingMarks) {
    view.setTool(CanvasTool::Measure);
    EXPECT_CALL(editor, addMark(_)).Times(0);
    dragFrom({10, 20}, {40, 60});
    ASSERT_TRUE(view.measurement());
    EXPECT_EQ(view.measurement()->start, (Point{10, 20}));
    EXPECT_EQ(view.measurement()->end, (Point{40, 60}));

    dragFrom({10, 20}, {50, 30}, Qt::ShiftModifier);
    EXPECT_EQ(view.measurement()->end, (Point{50, 20}));

    dragFrom({100, 100}, {900, 100});
    EXPECT_EQ(view.measurement()->end, (Point{400, 100}));

    dragFrom({-30, 10}, {50, 50});
    EXPECT_EQ(view.measurement()->start, (Point{100, 100})) << "a press outside is ignored";
}

TEST_F(CanvasViewTest, ZoomKeepsTheAnchorUnderTheSamePoint) {
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const Point anchor{300, 80};
    const QPointF before = view.screen(anchor);
    view.setZoom(3, anchor);
    EXPECT_EQ(view.zoom(), 3);
    EXPECT_NEAR(view.screen(anchor).x(), before.x(), 0.5);
    EXPECT_NEAR(view.screen(anchor).y(), before.y(), 0.5);

    const Point centre = view.visibleCenter();
    view.setZoom(5);
    EXPECT_NEAR(view.visibleCenter().x, centre.x, 0.2);
    EXPECT_NEAR(view.visibleCenter().y, centre.y, 0.2);
}

TEST_F(CanvasViewTest, ControlWheelAsksTheEditorToZoomAroundThePointer) {
    const Point under{120, 90};
    const QPointF local = view.screen(under);
    double zoom = 0;
    Point anchor;
    EXPECT_CALL(editor, setDisplayZoom(_, _)).WillOnce([&](double z, Point a) {
        zoom = z;
        anchor = a;
    });
    QWheelEvent wheel(local, view.viewport()->mapToGlobal(local), {}, {0, 120}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_DOUBLE_EQ(zoom, 1.25 * view.devicePixelRatioF());
    EXPECT_EQ(anchor, under);
}

TEST_F(CanvasViewTest, DoubleClickOnTextEditsIt) {
    Mark& text = add(MarkKind::Text, {50, 50}, {250, 114});
    text.text = QStringLiteral("Label");
    show();
    EXPECT_CALL(editor, addTextMark(marks.front(), true)).Times(1);
    EXPECT_CALL(editor, updateMark(_)).Times(0);
    send(QEvent::MouseButtonPress, {100, 80});
    send(QEvent::MouseButtonRelease, {100, 80});
    send(QEvent::MouseButtonDblClick, {100, 80});
    send(QEvent::MouseButtonRelease, {100, 80});
}

TEST_F(CanvasViewTest, RightClickSelectsTheMarkThenAsksForTheMenu) {
    const Mark rectangle = add(MarkKind::Rectangle, {100, 100}, {200, 150});
    EXPECT_CALL(editor, showContextMenu(_)).Times(1);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at({150, 125}).toPoint(),
                           view.viewport()->mapToGlobal(at({150, 125}).toPoint()));
    QApplication::sendEvent(view.viewport(), &menu);
    EXPECT_EQ(view.selectedID(), rectangle.id);
}

TEST_F(CanvasViewTest, TextRecognitionDragReadsTheRegionOnce) {
    view.beginTextSelection();
    Rect region;
    EXPECT_CALL(editor, extractText(_)).WillOnce(SaveArg<0>(&region));
    EXPECT_CALL(editor, addMark(_)).Times(0);
    dragFrom({20, 30}, {120, 80});
    EXPECT_EQ(region, (Rect{20, 30, 100, 50}));
    dragFrom({20, 30}, {120, 80});
}

TEST_F(CanvasViewTest, VoiceLocationClickPicksTheMarkUnderIt) {
    const Mark rectangle = add(MarkKind::Rectangle, {100, 100}, {200, 150});
    view.beginVoiceSelection();
    std::optional<Id> existing;
    EXPECT_CALL(editor, dictateLocation(_, _)).WillOnce(SaveArg<1>(&existing));
    dragFrom({150, 100}, {150, 100});
    EXPECT_EQ(existing, rectangle.id);
    EXPECT_FALSE(view.isChoosingVoiceLocation());
}

TEST_F(CanvasViewTest, PaintsTheImageAndTheDraft) {
    view.setTool(CanvasTool::Rectangle);
    ON_CALL(editor, drawingDefaults())
        .WillByDefault(Return(DrawingDefaults{QStringLiteral("#FF0000"), 6, 0.35, 2}));
    send(QEvent::MouseButtonPress, {100, 100});
    send(QEvent::MouseMove, {200, 200});
    const QImage frame = view.viewport()->grab().toImage();
    const qreal scale = frame.devicePixelRatio();
    const auto pixelAt = [&](Point p) {
        const QPointF v = view.screen(p) * scale;
        return QColor(frame.pixel(int(v.x()), int(v.y())));
    };
    EXPECT_EQ(pixelAt({50, 50}), QColor(kImageColor));
    EXPECT_EQ(pixelAt({150, 100}), QColor(Qt::red));
    EXPECT_EQ(pixelAt({150, 150}), QColor(kImageColor));
}

TEST_F(CanvasViewTest, LoupeSamplesUnderThePointerAgainForNewContent) {
    view.setLoupeEnabled(true);
    send(QEvent::MouseMove, {30, 40});
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.sampledColor().has_value(); }, 5000));
    EXPECT_EQ(view.sampledColor(), QColor(kImageColor));
    EXPECT_EQ(view.sampledPoint(), (Point{30, 40}));
    add(MarkKind::Redact, {0, 0}, {100, 100});
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.sampledColor() == QColor(Qt::black); }, 5000));
    EXPECT_EQ(view.sampledPoint(), (Point{30, 40}));
}

TEST_F(CanvasViewTest, ContentWithoutTheSelectedMarkClearsTheSelection) {
    const Mark line = add(MarkKind::Line, {100, 100}, {200, 100});
    view.selectAnnotation(line.id);
    EXPECT_CALL(editor, selectionDidChange()).Times(1);
    marks.clear();
    show();
    EXPECT_FALSE(view.selectedID());
}

TEST_F(CanvasViewTest, SpaceDragPansInsteadOfDrawing) {
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view.setZoom(4, Point{200, 150});
    view.setTool(CanvasTool::Rectangle);
    const QPoint scrolled(view.horizontalScrollBar()->value(), view.verticalScrollBar()->value());
    EXPECT_CALL(editor, addMark(_)).Times(0);
    QTest::keyPress(&view, Qt::Key_Space);
    const QPointF from = view.screen({200, 150});
    const auto mouse = [&](QEvent::Type type, QPointF local) {
        QMouseEvent event(type, local, view.viewport()->mapToGlobal(local),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(view.viewport(), &event);
    };
    mouse(QEvent::MouseButtonPress, from);
    mouse(QEvent::MouseMove, from + QPointF(-40, 30));
    mouse(QEvent::MouseButtonRelease, from + QPointF(-40, 30));
    QTest::keyRelease(&view, Qt::Key_Space);
    EXPECT_EQ(view.horizontalScrollBar()->value(), scrolled.x() + 40);
    EXPECT_EQ(view.verticalScrollBar()->value(), scrolled.y() - 30);
}

TEST_F(CanvasViewTest, DroppedImagesGoToTheEditor) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/shot.png"))});
    const QPoint inside = at({100, 100}).toPoint();
    const auto dropped = [&] {
        QDragEnterEvent enter(inside, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view.viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(inside, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view.viewport(), &drop);
        return drop.isAccepted();
    };
    EXPECT_CALL(editor, dropImages(_)).WillOnce(Return(true)).WillOnce(Return(false));
    EXPECT_TRUE(dropped());
    EXPECT_FALSE(dropped());
}

} // namespace
} // namespace lumbex
