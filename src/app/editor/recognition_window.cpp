#include "app/editor/recognition_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {

RecognitionWindow::RecognitionWindow(const QString& title,
                                     std::unique_ptr<RecognitionSession> session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(std::move(session)), output_(new QPlainTextEdit(this)),
      message_(new QLabel(this)), copy_(new QPushButton(QStringLiteral("Copy Text"), this)),
      text_(new QPushButton(QStringLiteral("Text"), this)),
      code_(new QPushButton(QStringLiteral("Code"), this)),
      dismiss_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(title);
    resize(620, 430);
    setMinimumSize(420, 280);

    output_->setReadOnly(true);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(13);
    output_->setFont(mono);
    output_->document()->setDocumentMargin(12);
    output_->setAccessibleName(session_->outputLabel());
    QFont small = message_->font();
    small.setPointSize(11);
    message_->setFont(small);
    message_->setForegroundRole(QPalette::PlaceholderText);

    auto* layoutChoice = new QButtonGroup(this);
    for (QPushButton* segment : {text_, code_}) {
        segment->setCheckable(true);
        segment->setAccessibleName(QStringLiteral("Recognition layout"));
        layoutChoice->addButton(segment);
    }
    text_->setChecked(true);
    text_->setVisible(!session_->isQrReading());
    code_->setVisible(!session_->isQrReading());
    dismiss_->setShortcut(Qt::Key_Escape);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    bottom->addWidget(message_, 1);
    bottom->addWidget(text_);
    bottom->addWidget(code_);
    bottom->addWidget(copy_);
    bottom->addWidget(dismiss_);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(output_, 1);
    layout->addLayout(bottom);

    connect(code_, &QPushButton::toggled, this, [this](bool on) { session_->setCodeLayout(on); });
    connect(copy_, &QPushButton::clicked, this, [this] {
        const std::optional<QString> text = session_->textToCopy();
        if (!text)
            return;
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->setText(*text);
        session_->copyFinished(clipboard->text() == *text);
    });
    connect(dismiss_, &QPushButton::clicked, this, &QWidget::close);
    connect(session_.get(), &RecognitionSession::changed, this,
            [this] { display(session_->state()); });
    display(session_->state());
    session_->start();
}

RecognitionWindow::~RecognitionWindow() {
    session_->close();
}

void RecognitionWindow::display(const RecognitionWindowState& state) {
    if (output_->toPlainText() != state.output)
        output_->setPlainText(state.output);
    message_->setText(state.message);
    copy_->setEnabled(state.copyEnabled);
    text_->setEnabled(state.layoutEnabled);
    code_->setEnabled(state.layoutEnabled);
    if (!state.dismissTitle.isEmpty())
        dismiss_->setText(state.dismissTitle);
}

void RecognitionWindow::closeEvent(QCloseEvent* event) {
    session_->close();
    event->accept();
}

} // namespace lumbex
