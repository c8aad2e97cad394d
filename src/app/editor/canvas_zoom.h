#pragma once

#include "core/rect.h"

#include <QString>
#include <functional>
#include <optional>

namespace lumbex {

class EditorContext;

// The canvas's zoom as the window offers it: fitting the image (kept while the window resizes)
// or a display zoom in screen pixels per source pixel, from 3 % to 800 %.
class CanvasZoom {
public:
    explicit CanvasZoom(EditorContext& context);

    // None while fitting.
    std::optional<double> displayZoom() const;
    // None fits the image.
    void set(std::optional<double> zoom);
    // A pinch or wheel zoom keeping `anchor` (a source point) in place.
    void set(double zoom, Point anchor);
    void zoomBy(double factor);
    // The selected mark with a margin, centred.
    void zoomToSelection();
    // Fits the image again while fitting: new content, a new window size.
    void applyFit();
    // The zoom picker's text: "Fit" or the percentage.
    QString text() const;

    std::function<void()> changed;

private:
    double pixelRatio() const;

    EditorContext& context_;
    bool fit_ = true;
};

} // namespace lumbex
