#pragma once

#include "canvas/canvas_coordinates.h"
#include "canvas/canvas_editor.h"
#include "canvas/pixel_measurement.h"
#include "records/capture_note.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <memory>
#include <optional>

namespace lumbex {

// The drawing surface of the active image: the composition at a zoom, the thirteen tools, the
// selection and its handles, the measurement, the pixel loupe and colour sampling. Geometry is in
// source pixels; the view scrolls itself. Owns no note: content comes in through setContent and
// edits leave through the CanvasEditor.
class CanvasView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CanvasView(CanvasEditor& editor, QWidget* parent = nullptr);
    ~CanvasView() override;

    // Shows `media` (nullptr: nothing) with its decoded original, its marks in note order and the
    // location-note numbers. Keeps the selection while its mark still exists; ends no gesture
    // except one whose mark vanished.
    void setContent(const Media* media, const QImage& original, const std::vector<Mark>& marks,
                    const MarkNumbers& numbers);
    const std::optional<Media>& media() const;
    const std::vector<Mark>& marks() const;

    CanvasTool tool() const;
    // Switches tools, cancelling a gesture in progress.
    void setTool(CanvasTool tool);

    // View points per source pixel. `anchor`, when given, stays under the same view point;
    // otherwise the source point at the centre of the visible area stays there.
    double zoom() const;
    void setZoom(double zoom, std::optional<Point> anchor = std::nullopt);
    // The zoom at which the whole output fits the viewport with its margins.
    double fitZoom() const;

    // The output rectangle (frozen while a gesture runs), where it is drawn in the viewport (at
    // least 80 points of margin, centred), and the conversions between viewport points and
    // source pixels.
    Rect outputBounds() const;
    QRectF imageRect() const;
    Point pixel(const QPointF& viewPoint) const;
    QPointF screen(Point sourcePoint) const;
    Point visibleCenter() const;
    void centerOn(Point sourcePoint);

    std::optional<Id> selectedID() const;
    // The selection shows its resize handle: selected by a click, with the select tool, outside
    // the one-shot modes.
    bool showsSelectionHandles() const;
    // Selects a mark (none clears), as a click does when `showHandles`, else as keyboard or
    // accessibility navigation does (no resize handle).
    void selectAnnotation(const std::optional<Id>& id, bool showHandles = true);

    const std::optional<PixelMeasurement>& measurement() const;
    bool loupeEnabled() const;
    void setLoupeEnabled(bool enabled);
    // The colour and point last sampled under the pointer (measure tool or loupe), if any.
    std::optional<QColor> sampledColor() const;
    std::optional<Point> sampledPoint() const;

    // One-shot modes that end with the next mouse release.
    void beginTextSelection();
    void beginVoiceSelection();
    bool isChoosingVoiceLocation() const;
    // Leaves the voice-location choice without placing anything; the tool and selection stay.
    void endVoiceSelection();

    // Escape: ends a gesture, clears the selection and returns to the select tool.
    void cancelGesture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct State;
    CanvasCoordinates coordinates() const;
    QPointF scrollOffset() const;
    Rect visibleRect() const;
    std::optional<Id> hit(Point p) const;
    const Mark* mark(const Id& id) const;
    // Updates the scroll range for the current output and zoom; `keep` (a source point and the
    // viewport point it should stay under) holds the picture still across the change.
    void relayout(std::optional<std::pair<Point, QPointF>> keep);
    void select(const std::optional<Id>& id, bool showHandles, bool notify);
    void press(QMouseEvent* event, bool doubleClick);
    void pressWithTool(Point p, bool doubleClick);
    void drag(QMouseEvent* event);
    void release();
    void clearGesture();
    void nudge(double dx, double dy);
    bool handleShortcut(QKeyEvent* event);
    void zoomBy(double factor, QPointF around);
    void requestSample(Point at);
    void updateCursor();
    void showToolTip(const QPoint& viewportPoint, const QPoint& globalPoint);
    void paintOverlays(QPainter& painter);

    std::unique_ptr<State> state_;
    CanvasEditor& editor_;
};

} // namespace lumbex
