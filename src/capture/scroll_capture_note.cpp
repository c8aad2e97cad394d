#include "capture/scroll_capture_note.h"

#include "model/fast_png.h"
#include "model/image_import.h"
#include "model/note_validation.h"

namespace lumbex {
namespace {

QString titleFor(bool partial, bool imported) {
    if (partial)
        return QStringLiteral("Partial Scroll Capture");
    return imported ? QStringLiteral("Stitched Scroll Images")
                    : QStringLiteral("Scrolling Capture");
}

} // namespace

NotePackageContents scrollCaptureNote(const ScrollStitcher& stitcher, bool partial,
                                      const std::optional<QString>& issue, bool imported,
                                      std::optional<QByteArray> stitchedPng) {
    if (!stitchedPng)
        stitchedPng = FastPng::encode(stitcher.render());

    NotePackageContents contents;
    contents.note = CaptureNote::make();
    contents.note.title = titleFor(partial, imported);
    contents.note.schemaVersion = 7;
    appendStoredPng(contents, *stitchedPng, QSize(stitcher.width(), int(stitcher.height())),
                    contents.note.title);

    ScrollCaptureInfo info{partial, issue, {}, imported};
    int position = 0;
    for (const ScrollStitcher::Frame& frame : stitcher.frames()) {
        const QString name = frame.offsetY ? QStringLiteral("Scroll source %1").arg(++position)
                                           : QStringLiteral("Unmatched scroll frame");
        const Id id = appendStoredPng(contents, frame.data, QSize(frame.width, frame.height), name);
        contents.note.media.back().role = MediaRole::Reference;
        info.pieces.push_back({id, frame.offsetY, frame.footerHeight});
    }
    contents.note.media.front().scrollCapture = info;
    validate(contents.note);
    return contents;
}

} // namespace lumbex
