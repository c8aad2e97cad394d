#include "request/handoff_controller.h"

#include "core/error.h"
#include "request/handoff_settings.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace lumbex {
namespace {

// Reuses the previous folder when it still verifies; prepares a fresh one otherwise. Runs on the
// thread pool and never throws: the outcome carries the message.
template <class Outcome>
Outcome prepareOrReuse(const std::optional<HandoffResult>& previous, const RequestPlan& plan,
                       const std::map<Id, QByteArray>& originals, const QString& folder) {
    if (previous) {
        try {
            previous->verify();
            return {previous, {}};
        } catch (const std::exception&) {
            // A changed or missing file only means a fresh preparation.
        }
    }
    try {
        return {Handoff::prepare(plan, originals, folder), {}};
    } catch (const LumbexError& e) {
        return {std::nullopt, e.message()};
    } catch (const std::exception& e) {
        return {std::nullopt, QString::fromUtf8(e.what())};
    }
}

} // namespace

HandoffController::HandoffController(HandoffSettings& settings,
                                     std::function<RequestContext()> currentContext,
                                     QObject* parent)
    : QObject(parent), settings_(settings), currentContext_(std::move(currentContext)),
      intent_(newId()) {}

void HandoffController::start(const RequestPlan& plan, const std::map<Id, QByteArray>& originals,
                              const QString& folder, const Id& activeImage,
                              quint64 clipboardChangeCount) {
    const Id token = newId();
    intent_ = token;
    preparationToken_ = token;
    emit statusChanged(QStringLiteral("Preparing request…"));

    const QString key =
        QString::number(plan.note().revision) + u'/' + idString(plan.note().id) + u'/' + folder;
    const std::optional<HandoffResult> previous = key == lastKey_ ? lastHandoff_ : std::nullopt;

    auto* watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcher<Outcome>::finished, this, [=, this] {
        watcher->deleteLater();
        finish(token, watcher->result(), plan, folder, activeImage, key, clipboardChangeCount);
    });
    watcher->setFuture(QtConcurrent::run([previous, plan, originals, folder] {
        return prepareOrReuse<Outcome>(previous, plan, originals, folder);
    }));
}

void HandoffController::finish(const Id& token, const Outcome& outcome, const RequestPlan& plan,
                               const QString& folder, const Id& activeImage, const QString& key,
                               quint64 clipboardChangeCount) {
    if (preparationToken_ != token)
        return;
    preparationToken_.reset();
    const RequestContext now = currentContext_();
    const bool current = intent_ == token && now.note.hasSameRequestContent(plan.note()) &&
                         now.activeImage == activeImage && now.folder == folder;
    if (!current) {
        emit failed(
            LumbexError(LumbexError::Kind::Outdated, QStringLiteral("Notes changed. Copy again.")));
        return;
    }
    if (!outcome.result) {
        emit failed(LumbexError(outcome.error));
        return;
    }
    lastHandoff_ = outcome.result;
    lastKey_ = key;
    settings_.setLastHandoff(plan.note().id, *outcome.result);
    emit prepared(*outcome.result, clipboardChangeCount);
}

void HandoffController::invalidate() {
    intent_ = newId();
    lastKey_.clear();
}

void HandoffController::restoreLastHandoff(const Id& noteID) {
    lastHandoff_ = settings_.lastHandoff(noteID);
    lastKey_.clear();
}

} // namespace lumbex
