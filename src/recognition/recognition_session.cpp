#include "recognition/recognition_session.h"

namespace lumbex {
namespace {

const QString kImageChanged = QStringLiteral("Image changed. Read it again.");

QString joinedCodes(const std::vector<QString>& codes) {
    QStringList list(codes.begin(), codes.end());
    return list.join(QStringLiteral("\n\n"));
}

} // namespace

RecognitionSession::RecognitionSession(bool qrOnly, RecognitionEngines engines,
                                       std::function<QImage()> source,
                                       std::function<bool()> stillCurrent,
                                       std::function<void(const RecognitionResult&)> didRecognize,
                                       QObject* parent)
    : QObject(parent), qrOnly_(qrOnly), engines_(std::move(engines)), source_(std::move(source)),
      stillCurrent_(std::move(stillCurrent)), didRecognize_(std::move(didRecognize)) {
    state_.message = QStringLiteral("Reading on this computer…");
    state_.dismissTitle = QStringLiteral("Cancel");
}

RecognitionSession::~RecognitionSession() {
    if (worker_)
        worker_->cancel();
}

QString RecognitionSession::outputLabel() const {
    return qrOnly_ ? QStringLiteral("QR payload") : QStringLiteral("Recognized text");
}

void RecognitionSession::start() {
    worker_ = std::make_shared<ImageRecognition>(engines_);
    reading_.start(
        qrOnly_ ? QStringLiteral("read the QR codes") : QStringLiteral("read the text"),
        [worker = worker_, source = source_, qrOnly = qrOnly_] {
            return worker->recognize(source(), qrOnly);
        },
        [this](const WorkOutcome<RecognitionResult>& outcome) { finish(outcome); });
}

void RecognitionSession::finish(const WorkOutcome<RecognitionResult>& outcome) {
    state_.dismissTitle = QStringLiteral("Done");
    if (state_.phase == RecognitionWindowState::Phase::Stale || !stillCurrent_()) {
        showStale();
        return;
    }
    state_.phase = RecognitionWindowState::Phase::Finished;
    if (!outcome.error()) {
        result_ = outcome.value();
        state_.output = shownText();
        const bool found = !state_.output.isEmpty();
        state_.message = found     ? QStringLiteral("Review before copying.")
                         : qrOnly_ ? QStringLiteral("No QR code found.")
                                   : QStringLiteral("No text found.");
        state_.copyEnabled = found;
        state_.layoutEnabled = true;
        emit changed();
        didRecognize_(*result_);
        return;
    }
    // A cancelled reading's message is "Cancelled".
    state_.message = outcome.error()->message();
    emit changed();
}

QString RecognitionSession::shownText() const {
    if (!result_)
        return {};
    return qrOnly_ ? joinedCodes(result_->codes) : result_->text(codeLayout_);
}

void RecognitionSession::setCodeLayout(bool codeLayout) {
    codeLayout_ = codeLayout;
    state_.output = shownText();
    emit changed();
}

std::optional<QString> RecognitionSession::textToCopy() {
    if (stillCurrent_())
        return state_.output;
    state_.output.clear();
    state_.copyEnabled = false;
    state_.message = kImageChanged;
    emit changed();
    return std::nullopt;
}

void RecognitionSession::copyFinished(bool succeeded) {
    state_.message =
        succeeded ? QStringLiteral("Copied") : QStringLiteral("Couldn’t copy. Try again.");
    emit changed();
}

void RecognitionSession::invalidateIfNeeded() {
    if (state_.phase == RecognitionWindowState::Phase::Closed || stillCurrent_())
        return;
    if (worker_)
        worker_->cancel();
    showStale();
}

void RecognitionSession::showStale() {
    state_.phase = RecognitionWindowState::Phase::Stale;
    result_.reset();
    state_.output.clear();
    state_.copyEnabled = false;
    state_.layoutEnabled = false;
    state_.message = kImageChanged;
    emit changed();
}

void RecognitionSession::close() {
    state_.phase = RecognitionWindowState::Phase::Closed;
    reading_.drop();
    if (worker_)
        worker_->cancel();
}

} // namespace lumbex
