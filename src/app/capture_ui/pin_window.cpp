#include "app/capture_ui/pin_window.h"

#include "app/capture_ui/draggable_image_view.h"
#include "model/image_files.h"
#include "model/note_document.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lumbex {
namespace {

constexpr int kOpacitySteps = 100;

} // namespace

PinWindow::PinWindow(QByteArray png, const QString& title, PinnedSource source,
                     NoteDocument* document, std::function<void()> edit)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), png_(std::move(png)), title_(title),
      source_(std::move(source)), document_(document), opacity_(new QSlider(Qt::Horizontal)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setToolTip(QStringLiteral("Pinned snapshot. Drag into another app, or choose Edit Note. "
                              "Changing source redactions or crop closes this pin."));
    const QImage image = QImage::fromData(png_, "PNG");
    auto* view = new DraggableImageView(
        image, [this] { return ImageFiles::prepareExport(png_, title_, std::nullopt); }, this);

    auto* copyButton = new QPushButton(QStringLiteral("Copy Image"));
    connect(copyButton, &QPushButton::clicked, this, &PinWindow::copyImage);
    auto* editButton = new QPushButton(QStringLiteral("Edit Note"));
    connect(editButton, &QPushButton::clicked, this, [edit = std::move(edit)] { edit(); });
    opacity_->setRange(kOpacitySteps / 4, kOpacitySteps);
    opacity_->setValue(kOpacitySteps);
    opacity_->setToolTip(QStringLiteral("Image opacity"));
    opacity_->setAccessibleName(QStringLiteral("Pinned image opacity"));
    connect(opacity_, &QSlider::valueChanged, this,
            [this](int value) { setWindowOpacity(double(value) / kOpacitySteps); });

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(6, 0, 6, 0);
    controls->addWidget(copyButton);
    controls->addWidget(editButton);
    controls->addWidget(opacity_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    layout->addWidget(view, 1);
    layout->addLayout(controls);

    setMinimumSize(320, 160);
    resize(pinWindowSize(image.size()));
    if (document_)
        connect(document_, &NoteDocument::noteChanged, this, &PinWindow::sourceChanged);
}

void PinWindow::copyImage() {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png_);
    QApplication::clipboard()->setMimeData(data);
}

void PinWindow::sourceChanged() {
    if (invalidated_ || !document_ || source_.matches(document_->note()))
        return;
    invalidated_ = true;
    close();
}

} // namespace lumbex
