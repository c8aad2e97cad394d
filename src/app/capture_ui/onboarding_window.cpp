#include "app/capture_ui/onboarding_window.h"

#include "app/capture_ui/onboarding_pictures.h"
#include "app/capture_ui/onboarding_steps.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace lumbex {
namespace {

const QSize kPictureSize(720, 400);

QPushButton* button(const QString& text, const QString& tip) {
    auto* result = new QPushButton(text);
    result->setToolTip(tip);
    return result;
}

QLabel* wrappingLabel() {
    auto* label = new QLabel;
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

OnboardingWindow::OnboardingWindow(QSettings& settings, Actions actions)
    : settings_(settings), actions_(std::move(actions)), picture_(new QLabel),
      title_(wrappingLabel()), detail_(wrappingLabel()), tip_(wrappingLabel()),
      progress_(new QLabel), back_(button(QStringLiteral("Back"), QStringLiteral("Previous step"))),
      next_(button(QStringLiteral("Continue"), QStringLiteral("Next step"))) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("lumbex.onboarding"));
    setWindowTitle(QStringLiteral("Welcome to Lumbex"));
    setFixedSize(800, 700);

    QFont titleFont = title_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    picture_->setAlignment(Qt::AlignCenter);
    progress_->setForegroundRole(QPalette::PlaceholderText);

    auto* start = button(QStringLiteral("Start Capturing"),
                         QStringLiteral("Skip the tour and select an area of your screen"));
    auto* shortcuts =
        button(QStringLiteral("Capture Shortcuts…"),
               QStringLiteral("Choose a capture shortcut that works with your other apps"));
    auto* privacy =
        button(QStringLiteral("Privacy"),
               QStringLiteral("See where your screenshots, notes, and audio are stored"));
    connect(back_, &QPushButton::clicked, this, [this] { showStep(stepIndex_ - 1); });
    connect(next_, &QPushButton::clicked, this, &OnboardingWindow::next);
    connect(start, &QPushButton::clicked, this, [this] { finish(actions_.capture); });
    connect(shortcuts, &QPushButton::clicked, this, [this] { actions_.shortcuts(); });
    connect(privacy, &QPushButton::clicked, this, [this] { actions_.privacy(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(shortcuts);
    buttons->addWidget(privacy);
    buttons->addStretch(1);
    buttons->addWidget(progress_);
    buttons->addStretch(1);
    buttons->addWidget(start);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 32, 40, 24);
    layout->addWidget(picture_, 1);
    layout->addWidget(title_);
    layout->addWidget(detail_);
    layout->addWidget(tip_);
    layout->addLayout(buttons);
    showStep(0);
}

void OnboardingWindow::present() {
    showStep(0);
    show();
    raise();
    activateWindow();
}

void OnboardingWindow::showStep(int index) {
    const std::vector<OnboardingStep>& steps = onboardingSteps();
    stepIndex_ = std::clamp(index, 0, int(steps.size()) - 1);
    const OnboardingStep& step = steps[size_t(stepIndex_)];
    picture_->setPixmap(QPixmap::fromImage(onboardingPicture(step.image, kPictureSize)));
    picture_->setAccessibleName(step.imageDescription);
    title_->setText(step.title);
    detail_->setText(step.detail);
    tip_->setText(step.tip);
    progress_->setText(QString::number(stepIndex_ + 1) + QStringLiteral(" OF ") +
                       QString::number(steps.size()));
    back_->setVisible(stepIndex_ > 0);
    const bool last = stepIndex_ + 1 == int(steps.size());
    next_->setText(last ? QStringLiteral("Try a Sample") : QStringLiteral("Continue"));
    next_->setToolTip(last ? QStringLiteral("Open an editable example. No screen or microphone "
                                            "permission needed.")
                           : QStringLiteral("Next step"));
}

void OnboardingWindow::next() {
    if (stepIndex_ + 1 < int(onboardingSteps().size()))
        showStep(stepIndex_ + 1);
    else
        finish(actions_.practice);
}

void OnboardingWindow::finish(const std::function<void()>& action) {
    const std::function<void()> run = action;
    close();
    run();
}

void OnboardingWindow::closeEvent(QCloseEvent* event) {
    markOnboardingSeen(settings_);
    QWidget::closeEvent(event);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

} // namespace lumbex
