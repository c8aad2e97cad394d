#include "app/capture_ui/quick_capture_panel.h"

#include "app/capture_ui/draggable_image_view.h"
#include "app/capture_ui/quick_capture_placement.h"
#include "app/editor/clipboard_toast.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_files.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lumbex {
namespace {

const QSize kPanelSize(300, 300);

QString copiedStatus() {
    return QStringLiteral("Copied · ") + QLatin1String(kPasteShortcut) +
           QStringLiteral(" to paste");
}

} // namespace

QuickCapturePanel::QuickCapturePanel(QByteArray png, const QString& title, Actions actions)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), png_(std::move(png)), title_(title),
      actions_(std::move(actions)), status_(new QLabel) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(title);
    setFixedSize(kPanelSize);

    auto* view = new DraggableImageView(
        QImage::fromData(png_, "PNG"),
        [this] { return ImageFiles::prepareExport(png_, title_, std::nullopt); }, this);
    view->setToolTip(QStringLiteral("Drag the capture into another app"));
    status_->setAlignment(Qt::AlignCenter);

    const auto add = [this](const QString& text, auto slot, const QString& tip = {}) {
        auto* created = new QPushButton(text);
        created->setToolTip(tip);
        connect(created, &QPushButton::clicked, this, slot);
        return created;
    };
    auto* close = add(QStringLiteral("Close"), &QWidget::close);
    auto* ocr = add(QStringLiteral("Copy Text (OCR)"), &QuickCapturePanel::copyText);
    ocr->setEnabled(bool(actions_.recognizeText));
    auto* edit = add(
        QStringLiteral("Edit"),
        [this] {
            actions_.edit();
            this->close();
        },
        QStringLiteral("Edit · Annotate or add a note"));

    auto* buttons = new QGridLayout;
    buttons->addWidget(add(QStringLiteral("Copy Image"), &QuickCapturePanel::copyImage), 0, 0);
    buttons->addWidget(add(QStringLiteral("Save Image"), &QuickCapturePanel::saveImage), 0, 1);
    buttons->addWidget(add(QStringLiteral("Pin Image"), &QuickCapturePanel::pinImage), 1, 0);
    buttons->addWidget(add(QStringLiteral("Share Image"), &QuickCapturePanel::shareImage), 1, 1);
    buttons->addWidget(ocr, 2, 0);
    buttons->addWidget(edit, 2, 1);
    auto* top = new QHBoxLayout;
    top->addStretch(1);
    top->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    qApp->installEventFilter(this);
}

void QuickCapturePanel::present(const QRect& captured) {
    QScreen* screen = QGuiApplication::screenAt(captured.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    move(quickCapturePanelPosition(captured, size(), screen->availableGeometry()));
    show();
    raise();
    copyImage();
    if (status() == copiedStatus())
        ClipboardToast::show(QString(), screen);
}

QString QuickCapturePanel::status() const {
    return status_->text();
}

QPushButton* QuickCapturePanel::button(const QString& text) const {
    for (QPushButton* candidate : findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

void QuickCapturePanel::setStatus(const QString& status) {
    status_->setText(status);
}

void QuickCapturePanel::copyImage() {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png_);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setMimeData(data);
    // The window system may refuse the selection: only our own data on the clipboard counts.
    const QMimeData* now = clipboard->mimeData();
    const bool copied = now && now->data(QStringLiteral("image/png")) == png_;
    setStatus(copied ? copiedStatus() : QStringLiteral("Couldn’t copy · Try Copy Image"));
}

void QuickCapturePanel::saveImage() {
    QString path = actions_.chooseSaveFile();
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    try {
        writeFileAtomically(path, png_);
        setStatus(QStringLiteral("Image saved"));
    } catch (const LumbexError& error) {
        setStatus(QStringLiteral("Couldn’t save: ") + error.message());
    }
}

void QuickCapturePanel::pinImage() {
    try {
        actions_.pin();
    } catch (const LumbexError& error) {
        setStatus(QStringLiteral("Couldn’t pin: ") + error.message());
    }
}

void QuickCapturePanel::shareImage() {
    QString file;
    try {
        file = ImageFiles::prepareExport(png_, title_, std::nullopt);
    } catch (const LumbexError&) {
        return setStatus(QStringLiteral("Couldn’t prepare image · Try again"));
    }
    actions_.share(file);
}

void QuickCapturePanel::copyText() {
    if (!actions_.recognizeText)
        return;
    setStatus(QStringLiteral("Recognizing text…"));
    QPointer<QuickCapturePanel> self(this);
    actions_.recognizeText(png_, [self](const QString& status) {
        if (self)
            self->setStatus(status);
    });
}

bool QuickCapturePanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return false;
    const QWidget* window = static_cast<QWidget*>(watched)->window();
    // The toast confirms this panel's copy: using it is not a click elsewhere.
    if (window != this && window != ClipboardToast::current())
        close();
    return false;
}

} // namespace lumbex
