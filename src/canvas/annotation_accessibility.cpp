#include "canvas/annotation_accessibility.h"

#include "canvas/canvas_tool.h"
#include "canvas/measurement_text.h"
#include "core/ids.h"
#include "geometry/mark_geometry.h"

namespace lumbex {
namespace {

constexpr int kSpokenTextLength = 240;

QString kindTitle(MarkKind kind) {
    for (const CanvasToolInfo& info : canvasTools())
        if (info.kind == kind)
            return info.title;
    return QStringLiteral("Annotation");
}

} // namespace

QString annotationIdentifier(const Mark& mark) {
    return QStringLiteral("annotation.") + idString(mark.id);
}

QString annotationLabel(const Mark& mark, std::optional<int> number, size_t position,
                        const std::optional<QString>& imageName) {
    QString label = kindTitle(mark.kind);
    if (number)
        label += QStringLiteral(", note ") + QString::number(*number);
    else
        label += QStringLiteral(", annotation ") + QString::number(position + 1);
    return label + QStringLiteral(" on ") + imageName.value_or(QStringLiteral("image"));
}

QString annotationValue(const Mark& mark, bool selected) {
    const Rect r = mark.rect();
    QString value = QStringLiteral("X ") + fixedNumber(r.x, 0) + QStringLiteral(", Y ") +
                    fixedNumber(r.y, 0) + QStringLiteral(", width ") + fixedNumber(r.width, 0) +
                    QStringLiteral(", height ") + fixedNumber(r.height, 0) +
                    QStringLiteral(" source pixels");
    if (mark.kind == MarkKind::Text && !mark.text.isEmpty())
        value += QStringLiteral(". ") + mark.text.left(kSpokenTextLength);
    if (selected)
        value += QStringLiteral(". Selected");
    return value;
}

QString annotationHelp(const Mark& mark) {
    if (mark.kind == MarkKind::Redact)
        return QStringLiteral(
            "Press to select this mask. Arrow keys move it. Use a location note beside it for "
            "instructions.");
    return QStringLiteral(
        "Press to select this annotation. Arrow keys move it; Return opens its note.");
}

bool isNavigable(const Mark& mark, bool numbered, const std::optional<Rect>& crop,
                 const Rect& output) {
    Rect bounds = drawnBounds(mark, numbered, crop);
    if (crop)
        bounds = bounds.intersected(*crop);
    return !bounds.intersected(output).isEmpty();
}

} // namespace lumbex
