#include "app/editor/image_commands.h"

#include "app/editor/editor_context.h"
#include "canvas/canvas_view.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_document.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QImage>
#include <QMimeData>
#include <QUrl>

namespace lumbex {
namespace {

// The PNG bytes of the image in clipboard or drop data, if it holds one.
QByteArray pngFromMimeData(const QMimeData* data) {
    if (!data)
        return {};
    if (data->hasFormat(QStringLiteral("image/png")))
        return data->data(QStringLiteral("image/png"));
    if (data->hasImage()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
        return png;
    }
    return {};
}

} // namespace

ImageCommands::ImageCommands(EditorContext& context) : context_(context) {}

void ImageCommands::append(const QByteArray& data, const QString& name) {
    try {
        const Id id = context_.document().appendImage(data, name, true);
        context_.showImage(id);
    } catch (const LumbexError& e) {
        context_.setStatus(e.message());
    }
}

void ImageCommands::importImage() {
    const QStringList files = QFileDialog::getOpenFileNames(
        &context_.window(), QStringLiteral("Import Image"), QString(),
        QStringLiteral("Images (*.png *.jpg *.jpeg *.gif *.bmp *.webp *.tif *.tiff)"));
    for (const QString& path : files) {
        try {
            append(ImageFiles::readImageFile(path), importedImageName(path));
        } catch (const LumbexError& e) {
            context_.setStatus(e.message());
        }
    }
    context_.canvas().setFocus();
}

void ImageCommands::pasteImage() {
    const QByteArray png = pngFromMimeData(QApplication::clipboard()->mimeData());
    if (png.isEmpty())
        return context_.setStatus(QStringLiteral("The clipboard does not contain an image."));
    append(png, QStringLiteral("Pasted Image"));
}

bool ImageCommands::dropImages(const QMimeData& data) {
    bool taken = false;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        try {
            append(ImageFiles::readImageFile(url.toLocalFile()),
                   importedImageName(url.toLocalFile()));
            taken = true;
        } catch (const LumbexError& e) {
            context_.setStatus(e.message());
        }
    }
    if (taken)
        return true;
    const QByteArray png = pngFromMimeData(&data);
    if (png.isEmpty())
        return false;
    append(png, QStringLiteral("Dropped Image"));
    return true;
}

void ImageCommands::removeActiveImage() {
    try {
        context_.document().removeImage(context_.activeMediaID());
        context_.setStatus(
            QStringLiteral("Image removed. Linked notes are kept unlinked. Undo restores the "
                           "image and annotations."));
    } catch (const LumbexError& e) {
        context_.setStatus(e.message());
    }
    context_.canvas().setFocus();
}

} // namespace lumbex
