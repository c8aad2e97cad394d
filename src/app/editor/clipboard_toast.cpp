#include "app/editor/clipboard_toast.h"

#include "platform/file_reveal.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace lumbex {
namespace {

QPointer<ClipboardToast>& shared() {
    static QPointer<ClipboardToast> toast;
    return toast;
}

} // namespace

ClipboardToast::ClipboardToast()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Copied to clipboard"));
    setFixedSize(368, 48);
    setAutoFillBackground(true);

    auto* check = new QLabel(this);
    check->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(20, 20));
    auto* text = new QLabel(QStringLiteral("Copied to clipboard"), this);
    revealButton_ = new QPushButton(QStringLiteral("Show in Files"), this);
    revealButton_->setToolTip(QStringLiteral("Reveal the copied file in the file manager"));
    auto* dismiss = new QPushButton(QStringLiteral("Dismiss"), this);
    for (QPushButton* button : {revealButton_, dismiss})
        button->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 8, 6);
    layout->addWidget(check);
    layout->addWidget(text, 1);
    layout->addWidget(revealButton_);
    layout->addWidget(dismiss);

    dismissTimer_.setSingleShot(true);
    connect(&dismissTimer_, &QTimer::timeout, this, &QWidget::close);
    connect(dismiss, &QPushButton::clicked, this, &QWidget::close);
    connect(revealButton_, &QPushButton::clicked, this, [this] {
        revealFiles({file_});
        close();
    });
}

void ClipboardToast::show(const QString& file, QScreen* screen, int durationMs) {
    if (!shared())
        shared() = new ClipboardToast;
    shared()->present(file, screen, durationMs);
}

ClipboardToast* ClipboardToast::current() {
    return shared();
}

void ClipboardToast::present(const QString& file, QScreen* screen, int durationMs) {
    file_ = file;
    revealButton_->setVisible(QFileInfo::exists(file));
    QScreen* target = QGuiApplication::screenAt(QCursor::pos());
    if (!target)
        target = screen ? screen : QGuiApplication::primaryScreen();
    const QRect area = target->availableGeometry();
    move(area.right() + 1 - 20 - width(), area.bottom() + 1 - 20 - height());
    QWidget::show();
    raise();
    dismissTimer_.start(durationMs);
}

} // namespace lumbex
