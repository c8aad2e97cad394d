#include "marked_screenshot.h"

#include "model/image_files.h"
#include "screenshot.h"

#include <array>

namespace lumbex::bench {

MarkedScreenshot::MarkedScreenshot() : png(screenshotPng(2)) {
    Media media;
    media.id = newId();
    media.width = kWidth;
    media.height = kHeight;
    media.sha256 = ImageFiles::hash(png);
    note.media.push_back(media);
    const std::array kinds{MarkKind::Pointer,  MarkKind::Arrow,     MarkKind::Rectangle,
                           MarkKind::Ellipse,  MarkKind::Highlight, MarkKind::Text,
                           MarkKind::Freehand, MarkKind::Line};
    for (int i = 0; i < 20; ++i) {
        Mark mark;
        mark.id = newId();
        mark.mediaID = media.id;
        mark.kind = i < 2   ? MarkKind::Magnify
                    : i < 4 ? MarkKind::Redact
                            : kinds[size_t(i) % kinds.size()];
        mark.start = {100.0 + 130 * i, 120.0 + 70 * i};
        mark.end = mark.start + Point{220, 140};
        mark.color = i % 2 ? QStringLiteral("red") : QStringLiteral("#22AA66");
        mark.lineWidth = 4;
        if (mark.kind == MarkKind::Magnify)
            mark.magnificationCenter = Point{1500.0 + 200 * i, 900};
        if (mark.kind == MarkKind::Text)
            mark.text = QStringLiteral("The Save button is cut off at 125 % scaling");
        if (mark.kind == MarkKind::Freehand)
            mark.points = std::vector<Point>{mark.start, mark.start + Point{60, 90}, mark.end};
        note.marks.push_back(mark);
        if (i >= 4 && i < 10) {
            LinkedNote linked = LinkedNote::make();
            linked.markID = mark.id;
            note.notes.push_back(linked);
        }
    }
}

DecodedScreenshot::DecodedScreenshot(const MarkedScreenshot& shot)
    : media(shot.media()), original(ImageFiles::image(shot.png)),
      marks(shot.note.marksOn(media.id)), numbers(shot.note.numbers(marks)) {}

const MarkedScreenshot& markedScreenshot() {
    static const MarkedScreenshot shot;
    return shot;
}

} // namespace lumbex::bench
