#include "app/editor/output_commands.h"

#include "app/editor/clipboard_toast.h"
#include "app/editor/editor_context.h"
#include "app/editor/image_output.h"
#include "canvas/canvas_view.h"
#include "canvas/measurement_text.h"
#include "cloud/review_export.h"
#include "core/files.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_document.h"
#include "model/note_edits.h"
#include "voice/voice_session.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMimeData>
#include <QtConcurrent/QtConcurrentRun>

namespace lumbex {

OutputCommands::OutputCommands(EditorContext& context, ClipboardWatch& clipboard,
                               std::function<void()> commitEditing)
    : context_(context), commitEditing_(std::move(commitEditing)),
      imageOutput_(std::make_unique<ImageOutput>(
          context_.document(), clipboard, [this] { return context_.activeMediaID(); },
          [this] { return context_.canvas().selectedID(); })) {
    imageOutput_->onStatus = [this](const QString& message) { context_.setStatus(message); };
    imageOutput_->onError = [this](const QString& message) { context_.showError(message); };
}

OutputCommands::~OutputCommands() = default;

void OutputCommands::copyImage() {
    commitEditing_();
    imageOutput_->run({context_.activeMediaID(), false, std::nullopt, true},
                      [this](const QByteArray& png) {
                          auto* data = new QMimeData;
                          data->setData(QStringLiteral("image/png"), png);
                          QApplication::clipboard()->setMimeData(data);
                          const QString file =
                              ImageFiles::prepareExport(png, context_.note().title, std::nullopt);
                          ClipboardToast::show(file, context_.window().screen());
                      });
}

void OutputCommands::copyAnnotation(bool cut) {
    const Mark* mark = context_.selectedMark();
    if (!mark) {
        if (!cut)
            copyImage();
        return;
    }
    AnnotationClipboard copied{*mark, std::nullopt};
    for (const LinkedNote& linked : context_.note().notes)
        if (linked.markID == mark->id)
            copied.linkedNote = linked;
    const Id markID = mark->id;
    imageOutput_->run({context_.activeMediaID(), false, markID, true}, [this, copied, cut, markID](
                                                                           const QByteArray& png) {
        auto* data = new QMimeData;
        data->setData(kAnnotationClipboardType, encodeAnnotationClipboard(copied));
        data->setData(QStringLiteral("image/png"), png);
        QApplication::clipboard()->setMimeData(data);
        if (cut) {
            context_.change(QStringLiteral("Delete Annotation"),
                            [&](CaptureNote& note) { edits::deleteMark(note, markID); });
            context_.canvas().selectAnnotation(std::nullopt);
        }
        context_.setStatus(cut ? QStringLiteral("Annotation cut")
                               : QStringLiteral("Annotation copied"));
    });
}

void OutputCommands::exportImage() {
    if (!context_.activeMedia())
        return;
    const QString proposed = context_.note().title + QStringLiteral(".png");
    const QString path = QFileDialog::getSaveFileName(
        &context_.window(), QStringLiteral("Export Image"), proposed,
        QStringLiteral("PNG image (*.png);;JPEG image (*.jpg *.jpeg)"));
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool jpeg = suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg");
    imageOutput_->run({context_.activeMediaID(), jpeg, std::nullopt, false},
                      [this, path](const QByteArray& bytes) {
                          writeFileAtomically(path, bytes);
                          context_.setStatus(QStringLiteral("Image exported"));
                      });
}

void OutputCommands::exportReviewPdf() {
    commitEditing_();
    if (!VoiceSession::pending(&context_.document()).empty()) {
        context_.setStatus(
            QStringLiteral("Finish the voice notes before exporting the mobile review."));
        return;
    }
    // Qt's own panel, so that it can be found and answered like every other window.
    auto* dialog = new QFileDialog(&context_.window(), QStringLiteral("Export Review PDF"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(QStringLiteral("PDF document (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    // In the person's home rather than wherever the application was started.
    dialog->setDirectory(QDir::homePath());
    dialog->selectFile(reviewPdfFileName(context_.note().title));
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QFileDialog::fileSelected, &context_.window(),
                     [this](const QString& path) { writeReviewPdf(path); });
    dialog->open();
}

void OutputCommands::writeReviewPdf(const QString& path) {
    const CaptureNote note = context_.note();
    const std::map<Id, QByteArray> originals = context_.document().contents().originals;
    context_.setStatus(QStringLiteral("Preparing mobile PDF…"));
    // The window owns the watcher: a window closed meanwhile hears nothing, and the file is still
    // written (or its temporary removed) by the task.
    auto* watcher = new QFutureWatcher<QString>(&context_.window());
    QObject::connect(watcher, &QFutureWatcher<QString>::finished, watcher,
                     [this, watcher, revision = note.revision] {
                         watcher->deleteLater();
                         const QString failure = watcher->result();
                         if (failure.isEmpty())
                             context_.setStatus(QStringLiteral("Mobile PDF exported · Revision ") +
                                                QString::number(revision));
                         else
                             context_.showError(failure);
                     });
    watcher->setFuture(QtConcurrent::run([note, originals, path]() -> QString {
        try {
            lumbex::exportReviewPdf(note, originals, path);
            return {};
        } catch (const LumbexError& e) {
            return e.message();
        }
    }));
}

void OutputCommands::pinImage() {
    if (!onPin)
        return;
    const Id media = context_.activeMediaID();
    imageOutput_->run({media, false, std::nullopt, false},
                      [this, media](const QByteArray& png) { onPin(png, media); });
}

void OutputCommands::copySampledColor() {
    const std::optional<QColor> color = context_.canvas().sampledColor();
    if (!color)
        return;
    QApplication::clipboard()->setText(color->name(QColor::HexRgb).toUpper());
    context_.setStatus(QStringLiteral("Color copied"));
}

void OutputCommands::copyMeasurement() {
    const std::optional<PixelMeasurement>& measurement = context_.canvas().measurement();
    if (!measurement)
        return;
    const QString text = clipboardText(*measurement);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(text);
    context_.setStatus(clipboard->text() == text
                           ? QStringLiteral("Measurement copied")
                           : QStringLiteral("Couldn’t copy the measurement. Try again."));
}

} // namespace lumbex
