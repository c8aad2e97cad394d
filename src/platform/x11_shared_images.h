#pragma once

#include "platform/x11_connection.h"

#include <QImage>
#include <QRect>
#include <memory>
#include <vector>

namespace lumbex::x11 {

// A few MIT-SHM segments that root-window pixels are read into and handed out as QImages without
// a copy. An image keeps its segment's memory while anyone holds it, so a consumer may keep a
// frame while the next is read into another segment. Used from one thread; images may be released
// on any.
class SharedImagePool {
public:
    // Throws LumbexError when the server refuses shared memory (a remote server does).
    SharedImagePool(const Connection& connection, int capacity);
    ~SharedImagePool();
    SharedImagePool(const SharedImagePool&) = delete;
    SharedImagePool& operator=(const SharedImagePool&) = delete;

    // The pixels of `area` (inside the root window) as an opaque RGB32 image, or a null image when
    // every segment is still held by a consumer. Throws LumbexError when the read fails.
    QImage read(const QRect& area);

private:
    struct Segment;
    Segment* freeSegment(QSize size);

    const Connection& connection_;
    int capacity_;
    std::vector<std::unique_ptr<Segment>> segments_;
};

} // namespace lumbex::x11
