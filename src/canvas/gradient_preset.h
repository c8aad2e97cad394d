#pragma once

#include "records/media.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace lumbex {

// The fixed list of background gradients offered to the user.
struct GradientPreset {
    QString name;
    QString start;
    QString end;

    static const std::vector<GradientPreset>& all();

    // The background is a gradient with exactly these two colours (compared in upper case).
    bool matches(const ImageBackground& background) const;
    // Fills `rect`, clipped to a rounded rectangle of radius 4, with the start → end gradient from
    // its top-left to its bottom-right corner.
    void draw(QPainter& painter, const QRectF& rect) const;
    // The 26 × 16 swatch.
    QImage image() const;
};

} // namespace lumbex
