#include "app/scroll_ui/scroll_progress_panel.h"

#include "capture/scrolling_capture_session.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {
namespace {

const QSize previewSize(200, 120);

QPushButton* button(const char* objectName, QWidget* parent) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setAutoDefault(false);
    return b;
}

} // namespace

ScrollProgressPanel::ScrollProgressPanel(ScrollingCaptureSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), session_(session),
      preview_(new QLabel(this)), detail_(new QLabel(this)), progress_(new QLabel(this)),
      finish_(button("finish", this)), retry_(button("retry", this)),
      cancel_(button("cancel", this)) {
    setWindowTitle(QStringLiteral("Scrolling Capture"));
    // Clicking the panel must not take the keyboard from the page being scrolled.
    setAttribute(Qt::WA_ShowWithoutActivating);
    preview_->setFixedSize(previewSize);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setAccessibleName(QStringLiteral("Last joined frame"));
    detail_->setObjectName(QStringLiteral("detail"));
    detail_->setWordWrap(true);
    detail_->setFixedWidth(260);
    progress_->setObjectName(QStringLiteral("progress"));
    retry_->setText(QStringLiteral("Start Again"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel_);
    buttons->addStretch();
    buttons->addWidget(retry_);
    buttons->addWidget(finish_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview_, 0, Qt::AlignHCenter);
    layout->addWidget(detail_);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(finish_, &QPushButton::clicked, this, [this] { session_.finish(); });
    connect(retry_, &QPushButton::clicked, this, [this] { session_.retry(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { session_.cancel(); });
    refresh();
}

void ScrollProgressPanel::refresh() {
    const ScrollingCaptureSession::Panel& state = session_.panel();
    preview_->setPixmap(state.preview.isNull()
                            ? QPixmap()
                            : QPixmap::fromImage(state.preview.scaled(
                                  previewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    detail_->setText(state.detail);
    progress_->setText(state.progress);
    finish_->setText(state.finishTitle);
    finish_->setEnabled(state.finishEnabled);
    retry_->setVisible(state.retryVisible);
    cancel_->setText(state.cancelTitle);
}

void ScrollProgressPanel::closeEvent(QCloseEvent* event) {
    // The session decides what closing means; it hides the panel itself when it ends.
    event->ignore();
    session_.cancel();
}

} // namespace lumbex
