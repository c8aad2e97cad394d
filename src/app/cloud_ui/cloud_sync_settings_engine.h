#pragma once

#include "app/cloud_ui/cloud_settings_engine.h"

#include <functional>

class QSettings;

namespace lumbex {

class CloudSync;
class NoteDocument;

// The "Sync & Mobile Review" window's engine for one open note, over the application's CloudSync.
// The sync engine, the document and the settings must outlive it.
class CloudSyncSettingsEngine final : public CloudSettingsEngine {
public:
    CloudSyncSettingsEngine(CloudSync& sync, NoteDocument& document, QSettings& settings,
                            QString library, std::function<void(const QString&)> openNote,
                            QObject* parent = nullptr);

    QString label() const override;
    bool isEnabled() const override;
    bool isBusy() const override;
    bool includesVoiceAudio() const override;
    std::optional<QString> folder() const override;
    std::optional<QString> previousFolder() const override;
    std::optional<QString> publishedReview() const override;
    void connect(const QString& folder, bool includeVoiceAudio) override;
    void retry() override;
    void disable() override;
    QString importPackage(const QString& package) const override;
    void openNote(const QString& package) override;

private:
    CloudSync& sync_;
    NoteDocument& document_;
    QSettings& settings_;
    QString library_;
    std::function<void(const QString&)> openNote_;
};

} // namespace lumbex
