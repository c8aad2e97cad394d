#include "app/editor/image_output.h"

#include "app/editor/clipboard_watch.h"
#include "canvas/rendering.h"
#include "core/error.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/note_document.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace lumbex {
namespace {

struct Rendered {
    QByteArray bytes;
    QString error;
};

} // namespace

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
    const Id token = newId();
    token_ = token;
    const CaptureNote note = document_.note();
    const Media snapshot = *media;
    const QByteArray bytes = original->second;
    const quint64 clipboardCount = clipboard_.changeCount();
    if (onStatus)
        onStatus(QStringLiteral("Preparing image…"));

    auto* watcher = new QFutureWatcher<Rendered>(this);
    connect(watcher, &QFutureWatcher<Rendered>::finished, this, [=, this] {
        watcher->deleteLater();
        if (token_ != token)
            return;
        const Rendered result = watcher->result();
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
        if (!result.error.isEmpty()) {
            if (onError)
                onError(result.error);
            return;
        }
        try {
            completion(result.bytes);
        } catch (const LumbexError& e) {
            if (onError)
                onError(e.message());
        }
    });
    watcher->setFuture(QtConcurrent::run([note, snapshot, bytes, request]() -> Rendered {
        try {
            const QImage image =
                Rendering::render(note, snapshot, bytes, request.jpeg, request.selectedID);
            return {ImageFiles::encode(image, request.jpeg), {}};
        } catch (const LumbexError& e) {
            return {{}, e.message()};
        }
    }));
}

} // namespace lumbex
