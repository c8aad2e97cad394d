#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QImage>

namespace lumbex::bench {

// One 2880 × 1800 screenshot with 20 marks of mixed kinds: 2 lenses, 2 redactions, 6 numbered.
struct MarkedScreenshot {
    QByteArray png;
    CaptureNote note = CaptureNote::make();

    MarkedScreenshot();
    const Media& media() const { return note.media.front(); }
};

// The decoded original with the marks and numbers of its image, as the canvas holds them.
struct DecodedScreenshot {
    const Media& media;
    QImage original;
    std::vector<Mark> marks;
    MarkNumbers numbers;

    explicit DecodedScreenshot(const MarkedScreenshot& shot);
};

// Built once per process.
const MarkedScreenshot& markedScreenshot();

} // namespace lumbex::bench
