#include "app/capture_ui/countdown_panel.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace lumbex {
namespace {

qint64 uptimeMs() {
    static QElapsedTimer since;
    if (!since.isValid())
        since.start();
    return since.elapsed();
}

} // namespace

CountdownPanel::CountdownPanel(Purpose purpose, Clock clock)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint),
      verb_(purpose == Purpose::Capture ? QStringLiteral("Capturing")
                                        : QStringLiteral("Recording")),
      clock_(clock ? std::move(clock) : Clock(uptimeMs)), label_(new QLabel(this)) {
    setWindowTitle(purpose == Purpose::Capture ? QStringLiteral("Timed Capture")
                                               : QStringLiteral("Start Recording"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(310, 76);
    QFont large = label_->font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    label_->setFont(large);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancelButton, &QPushButton::clicked, this, [this] { end(false); });
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(label_, 1);
    layout->addWidget(cancelButton);
    ticker_.setInterval(100);
    connect(&ticker_, &QTimer::timeout, this, &CountdownPanel::tick);
}

void CountdownPanel::start(int seconds, std::function<void(bool finished)> completion) {
    completion_ = std::move(completion);
    deadline_ = clock_() + qint64(std::max(1, seconds)) * 1000;
    ticker_.start();
    tick();
    show();
}

void CountdownPanel::cancel() {
    completion_ = nullptr;
    ticker_.stop();
    hide();
}

QString CountdownPanel::text() const {
    return label_->text();
}

void CountdownPanel::tick() {
    const qint64 remainingMs = std::max<qint64>(0, deadline_ - clock_());
    const qint64 seconds = (remainingMs + 999) / 1000;
    label_->setText(verb_ + QStringLiteral(" in ") + QString::number(seconds) +
                    QStringLiteral("…"));
    if (seconds == 0)
        end(true);
}

void CountdownPanel::end(bool finished) {
    ticker_.stop();
    hide();
    if (auto completion = std::exchange(completion_, nullptr))
        completion(finished);
}

} // namespace lumbex
