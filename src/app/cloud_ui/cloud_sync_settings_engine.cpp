#include "app/cloud_ui/cloud_sync_settings_engine.h"

#include "cloud/cloud_files.h"
#include "cloud/cloud_store.h"
#include "cloud/cloud_sync.h"
#include "core/error.h"
#include "model/note_document.h"

#include <QSettings>

namespace lumbex {
namespace {

const QString kLastFolderKey = QStringLiteral("lastCloudFolder");

} // namespace

CloudSyncSettingsEngine::CloudSyncSettingsEngine(CloudSync& sync, NoteDocument& document,
                                                 QSettings& settings, QString library,
                                                 std::function<void(const QString&)> openNote,
                                                 QObject* parent)
    : CloudSettingsEngine(parent), sync_(sync), document_(document), settings_(settings),
      library_(std::move(library)), openNote_(std::move(openNote)) {
    QObject::connect(&sync_, &CloudSync::changed, this, [this](const Id& noteID) {
        if (noteID == document_.note().id)
            emit changed();
    });
    QObject::connect(&document_, &NoteDocument::stateChanged, this, [this] { emit changed(); });
}

QString CloudSyncSettingsEngine::label() const {
    return sync_.label(document_.note().id, document_.note().revision);
}

bool CloudSyncSettingsEngine::isEnabled() const {
    return sync_.isEnabled(document_.note().id);
}

bool CloudSyncSettingsEngine::isBusy() const {
    return sync_.busy(document_.note().id);
}

bool CloudSyncSettingsEngine::includesVoiceAudio() const {
    const std::optional<CloudBinding> binding = sync_.binding(document_.note().id);
    return binding ? binding->includeVoiceAudio : true;
}

std::optional<QString> CloudSyncSettingsEngine::folder() const {
    return sync_.folder(document_.note().id);
}

std::optional<QString> CloudSyncSettingsEngine::previousFolder() const {
    const QString last = settings_.value(kLastFolderKey).toString();
    return last.isEmpty() ? std::nullopt : std::optional(last);
}

std::optional<QString> CloudSyncSettingsEngine::publishedReview() const {
    const std::optional<CloudBinding> binding = sync_.binding(document_.note().id);
    if (!binding || !binding->receipt)
        return std::nullopt;
    try {
        return CloudFiles::resolve(binding->folder, binding->receipt->revision.readerPDF);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

void CloudSyncSettingsEngine::connect(const QString& folder, bool includeVoiceAudio) {
    if (document_.filePath().isEmpty())
        throw LumbexError(QStringLiteral("Save this note before enabling sync."));
    document_.saveCheckpoint();
    sync_.connect(document_.note().id, document_.filePath(), folder, includeVoiceAudio);
    settings_.setValue(kLastFolderKey, folder);
}

void CloudSyncSettingsEngine::retry() {
    sync_.downloadAndRetry(document_.note().id);
}

void CloudSyncSettingsEngine::disable() {
    sync_.disable(document_.note().id);
}

QString CloudSyncSettingsEngine::importPackage(const QString& package) const {
    return CloudStore::importPackage(package, library_);
}

void CloudSyncSettingsEngine::openNote(const QString& package) {
    if (openNote_)
        openNote_(package);
}

} // namespace lumbex
