#include "request/handoff_controller.h"

#include "request/handoff_settings.h"

namespace lumbex {
namespace {

// Reuses the previous folder when it still verifies; prepares a fresh one otherwise. Runs on the
// thread pool.
HandoffResult prepareOrReuse(const std::optional<HandoffResult>& previous, const RequestPlan& plan,
                             const std::map<Id, QByteArray>& originals, const QString& folder) {
    if (previous) {
        try {
            previous->verify();
            return *previous;
        } catch (const std::exception&) {
            // A changed or missing file only means a fresh preparation.
        }
    }
    return Handoff::prepare(plan, originals, folder);
}

} // namespace

HandoffController::HandoffController(HandoffSettings& settings,
                                     std::function<RequestContext()> currentContext,
                                     QObject* parent)
    : QObject(parent), settings_(settings), currentContext_(std::move(currentContext)) {}

void HandoffController::start(const RequestPlan& plan, const std::map<Id, QByteArray>& originals,
                              const QString& folder, const Id& activeImage,
                              quint64 clipboardChangeCount) {
    intentChanged_ = false;
    const QString key =
        QString::number(plan.note().revision) + u'/' + idString(plan.note().id) + u'/' + folder;
    const std::optional<HandoffResult> previous = key == lastKey_ ? lastHandoff_ : std::nullopt;

    preparation_.start(
        QStringLiteral("prepare the request"),
        [previous, plan, originals, folder] {
            return prepareOrReuse(previous, plan, originals, folder);
        },
        [=, this](const WorkOutcome<HandoffResult>& outcome) {
            finish(outcome, plan, folder, activeImage, key, clipboardChangeCount);
        });
    emit statusChanged(QStringLiteral("Preparing request…"));
}

void HandoffController::finish(const WorkOutcome<HandoffResult>& outcome, const RequestPlan& plan,
                               const QString& folder, const Id& activeImage, const QString& key,
                               quint64 clipboardChangeCount) {
    const RequestContext now = currentContext_();
    const bool current = !intentChanged_ && now.note.hasSameRequestContent(plan.note()) &&
                         now.activeImage == activeImage && now.folder == folder;
    if (!current) {
        emit failed(
            LumbexError(LumbexError::Kind::Outdated, QStringLiteral("Notes changed. Copy again.")));
        return;
    }
    if (const LumbexError* error = outcome.error()) {
        emit failed(*error);
        return;
    }
    lastHandoff_ = outcome.value();
    lastKey_ = key;
    settings_.setLastHandoff(plan.note().id, outcome.value());
    emit prepared(outcome.value(), clipboardChangeCount);
}

void HandoffController::invalidate() {
    intentChanged_ = true;
    lastKey_.clear();
}

void HandoffController::restoreLastHandoff(const Id& noteID) {
    lastHandoff_ = settings_.lastHandoff(noteID);
    lastKey_.clear();
}

} // namespace lumbex
