#include "canvas/canvas_view.h"
#include "marked_screenshot.h"

#include <QApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

// An editor that takes every edit back into the canvas, as the editor window does.
class EchoEditor : public CanvasEditor {
public:
    DrawingDefaults drawingDefaults() const override { return {}; }
    void addMark(const Mark&) override {}
    void updateMark(const Mark&) override {}
    void addTextMark(const Mark&, bool) override {}
    void setCrop(const Rect&) override {}
    void deleteAnnotation() override {}
    void editSelectedNote() override {}
    void addCenteredNote(Point) override {}
    void selectTool(CanvasTool) override {}
    void setDisplayZoom(double, Point) override {}
    void extractText(const Rect&) override {}
    void dictateLocation(const Mark&, const std::optional<Id>&) override {}
    void selectionDidChange() override {}
    void updateMeasurements() override {}
    void showContextMenu(const QPoint&) override {}
    bool dropImages(const QMimeData&) override { return false; }
};

void sendMouse(CanvasView& view, QEvent::Type type, QPointF at) {
    QMouseEvent event(type, at, view.viewport()->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &event);
}

// The 2880 × 1800 screenshot with 20 marks in a 1600 × 1000 canvas at fit zoom, shown; with
// `background`, framed by the default background with its shadow.
struct ShownCanvas {
    const bench::DecodedScreenshot shot{bench::markedScreenshot()};
    Media media = shot.media;
    EchoEditor editor;
    CanvasView view{editor};

    explicit ShownCanvas(bool background) {
        if (background)
            media.background = ImageBackground{};
        view.resize(1600, 1000);
        view.show();
        QApplication::processEvents();
        view.setContent(&media, shot.original, shot.marks, shot.numbers);
        view.setZoom(view.fitZoom());
        view.viewport()->repaint();
    }
};

// A scripted drag of one mark (a rectangle in the middle of the list): every iteration moves the
// pointer and repaints the canvas for real, as a frame of the drag on screen.
void BM_DragRepaint(benchmark::State& state) {
    ShownCanvas canvas(state.range(0) != 0);
    const Mark& target = canvas.shot.marks[10];
    QPointF at = canvas.view.screen(target.start);
    sendMouse(canvas.view, QEvent::MouseButtonPress, at);
    if (canvas.view.selectedID() != target.id) {
        state.SkipWithError("the press did not pick the mark to drag");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        at += QPointF(step % 40 < 20 ? 3 : -3, step % 30 < 15 ? 2 : -2);
        ++step;
        sendMouse(canvas.view, QEvent::MouseMove, at);
        canvas.view.viewport()->repaint();
    }
    sendMouse(canvas.view, QEvent::MouseButtonRelease, at);
    state.counters["zoom"] = canvas.view.zoom();
}
BENCHMARK(BM_DragRepaint)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// Drawing a new rectangle over the marks.
void BM_CreateRepaint(benchmark::State& state) {
    ShownCanvas canvas(state.range(0) != 0);
    canvas.view.setTool(CanvasTool::Rectangle);
    QPointF at = canvas.view.screen({1400, 300});
    sendMouse(canvas.view, QEvent::MouseButtonPress, at);
    int step = 0;
    for (auto _ : state) {
        at += QPointF(step % 40 < 20 ? 3 : -3, 2 * (step % 30 < 15 ? 1 : -1));
        ++step;
        sendMouse(canvas.view, QEvent::MouseMove, at);
        canvas.view.viewport()->repaint();
    }
    sendMouse(canvas.view, QEvent::MouseButtonRelease, at);
}
BENCHMARK(BM_CreateRepaint)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// For comparison: a repaint after new content, which composes everything again (what every drag
// frame would cost without the cached layers).
void BM_RepaintAfterNewContent(benchmark::State& state) {
    ShownCanvas canvas(state.range(0) != 0);
    for (auto _ : state) {
        canvas.view.setContent(&canvas.media, canvas.shot.original, canvas.shot.marks,
                               canvas.shot.numbers);
        canvas.view.viewport()->repaint();
    }
}
BENCHMARK(BM_RepaintAfterNewContent)
    ->ArgName("background")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

} // namespace
} // namespace lumbex
