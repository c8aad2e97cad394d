#pragma once

#include "records/capture_note.h"

#include <QString>
#include <optional>

namespace lumbex {

// What assistive technology (and the canvas's tooltip) says about one mark on the canvas.

// "annotation.<UUID>".
QString annotationIdentifier(const Mark& mark);
// "Arrow, note 2 on Screenshot.png" or "Rectangle, annotation 3 on image"; `position` is the
// mark's 0-based index among the canvas's marks, `imageName` absent when no image is shown.
QString annotationLabel(const Mark& mark, std::optional<int> number, size_t position,
                        const std::optional<QString>& imageName);
// "X 10, Y 20, width 30, height 40 source pixels", a text mark's text, ". Selected".
QString annotationValue(const Mark& mark, bool selected);
QString annotationHelp(const Mark& mark);
// Whether navigation can reach the mark: its drawn bounds, limited to the crop, cover part of
// the output.
bool isNavigable(const Mark& mark, bool numbered, const std::optional<Rect>& crop,
                 const Rect& output);

} // namespace lumbex
