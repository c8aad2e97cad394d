// The editor's commands that move images and annotations in and out: clipboard, files, export.
#include "app/editor/clipboard_toast.h"
#include "app/editor/editor_window.h"
#include "app/editor/image_output.h"
#include "app/editor/recognition_window.h"
#include "app/editor/side_panel.h"
#include "canvas/canvas_view.h"
#include "canvas/measurement_text.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_document.h"
#include "recognition/recognition_cache.h"
#include "recognition/source_image.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QMimeData>
#include <QUrl>

namespace lumbex {
namespace {

QByteArray pngFromClipboard(const QMimeData* data) {
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

void EditorWindow::copyImage() {
    inspector_->commitEditing();
    imageOutput_->run({activeMediaID_, false, std::nullopt, true}, [this](const QByteArray& png) {
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/png"), png);
        QApplication::clipboard()->setMimeData(data);
        const QString file = ImageFiles::prepareExport(png, document_->note().title, std::nullopt);
        ClipboardToast::show(file, screen());
    });
}

void EditorWindow::copyAnnotation(bool cut) {
    const Mark* mark = selectedMark();
    if (!mark) {
        if (!cut)
            copyImage();
        return;
    }
    AnnotationClipboard copied{*mark, std::nullopt};
    for (const LinkedNote& linked : document_->note().notes)
        if (linked.markID == mark->id)
            copied.linkedNote = linked;
    const Id markID = mark->id;
    imageOutput_->run(
        {activeMediaID_, false, markID, true}, [this, copied, cut, markID](const QByteArray& png) {
            auto* data = new QMimeData;
            data->setData(kAnnotationClipboardType, encodeAnnotationClipboard(copied));
            data->setData(QStringLiteral("image/png"), png);
            QApplication::clipboard()->setMimeData(data);
            if (cut) {
                change(QStringLiteral("Delete Annotation"),
                       [&](CaptureNote& note) { edits::deleteMark(note, markID); });
                canvas_->selectAnnotation(std::nullopt);
            }
            setStatus(cut ? QStringLiteral("Annotation cut") : QStringLiteral("Annotation copied"));
        });
}

void EditorWindow::pasteFromClipboard() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(kAnnotationClipboardType))
        return pasteImage();
    AnnotationClipboard copied;
    try {
        copied = decodeAnnotationClipboard(data->data(kAnnotationClipboardType));
    } catch (const LumbexError&) {
        return setStatus(QStringLiteral("The copied annotation could not be read."));
    }
    Id pasted;
    const Id media = activeMediaID_;
    if (change(QStringLiteral("Paste Annotation"), [&](CaptureNote& note) {
            pasted = copied.insert(note, media);
            edits::prepareForStorage(note);
        }))
        canvas_->selectAnnotation(pasted);
}

void EditorWindow::pinImage() {
    if (!onPinImage)
        return;
    const Id media = activeMediaID_;
    imageOutput_->run({media, false, std::nullopt, false},
                      [this, media](const QByteArray& png) { onPinImage(this, png, media); });
}

void EditorWindow::duplicateAnnotation() {
    const Mark* mark = selectedMark();
    if (!mark)
        return;
    AnnotationClipboard copied{*mark, std::nullopt};
    for (const LinkedNote& linked : document_->note().notes)
        if (linked.markID == mark->id)
            copied.linkedNote = linked;
    Id duplicate;
    const Id media = activeMediaID_;
    if (change(QStringLiteral("Duplicate Annotation"), [&](CaptureNote& note) {
            duplicate = copied.insert(note, media);
            edits::prepareForStorage(note);
        }))
        canvas_->selectAnnotation(duplicate);
}

void EditorWindow::importImage() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Import Image"), QString(),
        QStringLiteral("Images (*.png *.jpg *.jpeg *.gif *.bmp *.webp *.tif *.tiff)"));
    for (const QString& path : files) {
        try {
            appendImage(ImageFiles::readImageFile(path), importedImageName(path));
        } catch (const LumbexError& e) {
            setStatus(e.message());
        }
    }
    canvas_->setFocus();
}

void EditorWindow::appendCapture(const QByteArray& png, const QString& name) {
    appendImage(png, name);
    raise();
    activateWindow();
}

void EditorWindow::pasteImage() {
    const QByteArray png = pngFromClipboard(QApplication::clipboard()->mimeData());
    if (png.isEmpty())
        return setStatus(QStringLiteral("The clipboard does not contain an image."));
    appendImage(png, QStringLiteral("Pasted Image"));
}

bool EditorWindow::dropImages(const QMimeData& data) {
    bool taken = false;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        try {
            appendImage(ImageFiles::readImageFile(url.toLocalFile()),
                        importedImageName(url.toLocalFile()));
            taken = true;
        } catch (const LumbexError& e) {
            setStatus(e.message());
        }
    }
    if (taken)
        return true;
    const QByteArray png = pngFromClipboard(&data);
    if (png.isEmpty())
        return false;
    appendImage(png, QStringLiteral("Dropped Image"));
    return true;
}

void EditorWindow::removeActiveImage() {
    try {
        document_->removeImage(activeMediaID_);
        setStatus(QStringLiteral("Image removed. Linked notes are kept unlinked. Undo restores the "
                                 "image and annotations."));
    } catch (const LumbexError& e) {
        setStatus(e.message());
    }
    canvas_->setFocus();
}

void EditorWindow::selectAdjacentAnnotation(int step) {
    const std::vector<Mark>& marks = canvas_->marks();
    if (marks.empty())
        return;
    int index = step > 0 ? -1 : int(marks.size());
    if (const std::optional<Id> selected = canvas_->selectedID())
        for (size_t i = 0; i < marks.size(); ++i)
            if (marks[i].id == *selected)
                index = int(i);
    const int count = int(marks.size());
    const int next = ((index + step) % count + count) % count;
    canvas_->selectAnnotation(marks[next].id, false);
}

void EditorWindow::exportImage() {
    const Media* media = activeMedia();
    if (!media)
        return;
    const QString proposed = document_->note().title + QStringLiteral(".png");
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Image"), proposed,
        QStringLiteral("PNG image (*.png);;JPEG image (*.jpg *.jpeg)"));
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool jpeg = suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg");
    imageOutput_->run({activeMediaID_, jpeg, std::nullopt, false},
                      [this, path](const QByteArray& bytes) {
                          writeFileAtomically(path, bytes);
                          setStatus(QStringLiteral("Image exported"));
                      });
}

void EditorWindow::zoomToSelection() {
    const Mark* mark = selectedMark();
    if (!mark)
        return;
    const Rect bounds = mark->rect().outset(24);
    const QSize view = canvas_->viewport()->size();
    const double zoom = std::min((view.width() - 160) / std::max(bounds.width, 1.0),
                                 (view.height() - 160) / std::max(bounds.height, 1.0));
    setDisplayZoom(zoom * devicePixelRatioF());
    canvas_->centerOn(bounds.center());
}

void EditorWindow::copySampledColor() {
    const std::optional<QColor> color = canvas_->sampledColor();
    if (!color)
        return;
    QApplication::clipboard()->setText(color->name(QColor::HexRgb).toUpper());
    setStatus(QStringLiteral("Color copied"));
}

void EditorWindow::copyMeasurement() {
    const std::optional<PixelMeasurement>& measurement = canvas_->measurement();
    if (!measurement)
        return;
    const QString text = clipboardText(*measurement);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(text);
    setStatus(clipboard->text() == text
                  ? QStringLiteral("Measurement copied")
                  : QStringLiteral("Couldn’t copy the measurement. Try again."));
}

QString EditorWindow::measurementSummary() const {
    const std::optional<PixelMeasurement>& measurement = canvas_->measurement();
    const Media* media = activeMedia();
    if (!measurement || !media)
        return {};
    return spanText(*measurement) + QLatin1Char('\n') + deltaText(*measurement) +
           QLatin1Char('\n') + originalImageText(media->width, media->height);
}

void EditorWindow::renameNote() {
    bool accepted = false;
    const QString title =
        QInputDialog::getText(this, QStringLiteral("Rename Note"), QStringLiteral("Note title"),
                              QLineEdit::Normal, document_->note().title, &accepted)
            .trimmed();
    if (accepted && !title.isEmpty())
        change(QStringLiteral("Rename Note"), [&](CaptureNote& note) { note.title = title; });
}

void EditorWindow::setRecognitionEngines(RecognitionEngines engines) {
    recognition_ = std::move(engines);
    refreshActions();
}

void EditorWindow::readImage(bool qrOnly, const std::optional<Rect>& selection) {
    inspector_->commitEditing();
    const Media* media = activeMedia();
    const auto original = document_->contents().originals.find(activeMediaID_);
    if (!recognition_ || !media || original == document_->contents().originals.end())
        return;
    if (recognitionWindow_)
        recognitionWindow_->close();

    const CaptureNote note = document_->note();
    const Media image = *media;
    const QString key = imageKey(note, image);
    const QByteArray bytes = original->second;
    const Id mediaID = image.id;
    const bool cachesText = !qrOnly && !selection;
    auto session = std::make_unique<RecognitionSession>(
        qrOnly, *recognition_,
        [note, image, bytes, selection] { return sourceImage(note, image, bytes, selection); },
        [this, mediaID, key] {
            const Media* current = document_->note().image(mediaID);
            return current && imageKey(document_->note(), *current) == key;
        },
        [this, cachesText, mediaID, key](const RecognitionResult& result) {
            if (cachesText)
                storeRecognition(*document_, mediaID, key, result);
        });
    const QString title = qrOnly      ? QStringLiteral("Read QR Code")
                          : selection ? QStringLiteral("Extract Selected Text")
                                      : QStringLiteral("Extract Text");
    recognitionWindow_ = new RecognitionWindow(title, std::move(session), this);
    recognitionWindow_->setAttribute(Qt::WA_DeleteOnClose);
    recognitionWindow_->show();
}

void EditorWindow::extractSelectedText() {
    const std::optional<PixelMeasurement>& measured = canvas_->measurement();
    const Media* media = activeMedia();
    if (measured && media) {
        const Rect area = Rect::spanning(measured->start, measured->end);
        const Rect visible = area.intersected(media->visibleRect());
        if (area.width >= 2 && area.height >= 2 && !visible.isEmpty())
            return readImage(false, area);
    }
    canvas_->beginTextSelection();
}

} // namespace lumbex
