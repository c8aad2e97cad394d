#include "app/editor/image_output.h"

#include "app/editor/clipboard_watch.h"
#include "canvas/rendering.h"
#include "core/error.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/note_document.h"

namespace lumbex {

ImageOutput::ImageOutput(NoteDocument& document, ClipboardWatch& clipboard,
                         std::function<Id()> activeImage,
                         std::function<std::optional<Id>()> selection, QObject* parent)
    : QObject(parent), document_(document), clipboard_(clipboard),
      activeImage_(std::move(activeImage)), selection_(std::move(selection)) {}

void ImageOutput::run(const Request& request, std::function<void(const QByteArray&)> completion) {
    const auto original = document_.contents().originals.find(request.mediaID);
    const Media* media = document_.note().image(request.mediaID);
    if (original == document_.contents().originals.end() || !media)
        return;
    const CaptureNote note = document_.note();
    const Media snapshot = *media;
    const QByteArray bytes = original->second;
    const quint64 clipboardCount = clipboard_.changeCount();
    if (onStatus)
        onStatus(QStringLiteral("Preparing image…"));

    const auto render = [note, snapshot, bytes, request] {
        const QImage image =
            Rendering::render(note, snapshot, bytes, request.jpeg, request.selectedID);
        return ImageFiles::encode(image, request.jpeg);
    };
    const auto finish = [=, this](const WorkOutcome<QByteArray>& result) {
        const CaptureNote& now = document_.note();
        const auto report = [this](const QString& message) {
            if (onStatus)
                onStatus(message);
        };
        if (now.revision != note.revision &&
            (!hasSameImageContent(now, note, request.mediaID) || activeImage_() != request.mediaID))
            return report(QStringLiteral("Image changed. Try again."));
        if (request.selectedID && selection_() != request.selectedID)
            return report(QStringLiteral("Selection changed. Copy again."));
        if (request.forClipboard && clipboard_.changeCount() != clipboardCount)
            return report(QStringLiteral("Clipboard changed. Try again."));
        report({});
        if (const LumbexError* error = result.error()) {
            if (onError)
                onError(error->message());
            return;
        }
        try {
            completion(result.value());
        } catch (const LumbexError& e) {
            if (onError)
                onError(e.message());
        }
    };
    rendering_.start(QStringLiteral("prepare the image"), render, finish);
}

} // namespace lumbex
