#include "app/editor/text_reading.h"

#include "app/editor/editor_context.h"
#include "app/editor/recognition_window.h"
#include "canvas/canvas_view.h"
#include "model/image_content.h"
#include "model/note_document.h"
#include "recognition/recognition_cache.h"
#include "recognition/source_image.h"

namespace lumbex {

TextReading::TextReading(EditorContext& context, std::function<void()> commitEditing)
    : context_(context), commitEditing_(std::move(commitEditing)) {}

void TextReading::setEngines(RecognitionEngines engines) {
    engines_ = std::move(engines);
}

bool TextReading::available() const {
    return engines_.has_value() && context_.activeMedia();
}

void TextReading::read(bool qrOnly, const std::optional<Rect>& selection) {
    commitEditing_();
    NoteDocument& document = context_.document();
    const Media* media = context_.activeMedia();
    const auto original = document.contents().originals.find(context_.activeMediaID());
    if (!engines_ || !media || original == document.contents().originals.end())
        return;
    if (window_)
        window_->close();

    const CaptureNote note = document.note();
    const Media image = *media;
    const QString key = imageKey(note, image);
    const QByteArray bytes = original->second;
    const Id mediaID = image.id;
    const bool cachesText = !qrOnly && !selection;
    auto session = std::make_unique<RecognitionSession>(
        qrOnly, *engines_,
        [note, image, bytes, selection] { return sourceImage(note, image, bytes, selection); },
        [&document, mediaID, key] {
            const Media* current = document.note().image(mediaID);
            return current && imageKey(document.note(), *current) == key;
        },
        [&document, cachesText, mediaID, key](const RecognitionResult& result) {
            if (cachesText)
                storeRecognition(document, mediaID, key, result);
        });
    const QString title = qrOnly      ? QStringLiteral("Read QR Code")
                          : selection ? QStringLiteral("Extract Selected Text")
                                      : QStringLiteral("Extract Text");
    window_ = new RecognitionWindow(title, std::move(session), &context_.window());
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->show();
}

void TextReading::readSelection() {
    const std::optional<PixelMeasurement>& measured = context_.canvas().measurement();
    const Media* media = context_.activeMedia();
    if (measured && media) {
        const Rect area = Rect::spanning(measured->start, measured->end);
        const Rect visible = area.intersected(media->visibleRect());
        if (area.width >= 2 && area.height >= 2 && !visible.isEmpty())
            return read(false, area);
    }
    context_.canvas().beginTextSelection();
}

RecognitionWindow* TextReading::window() const {
    return window_;
}

void TextReading::noteChanged() {
    if (window_)
        window_->session().invalidateIfNeeded();
}

} // namespace lumbex
