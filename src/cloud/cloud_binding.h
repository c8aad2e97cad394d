#pragma once

#include "cloud/cloud_revision.h"

#include <QJsonObject>
#include <QString>
#include <map>
#include <optional>

namespace lumbex {

// A note's connection to a sync folder. The folder and the package are remembered as their
// absolute paths (the JSON stores them as base64 data, the form of opaque bookmarks); `account`
// is the sync client's identity for the folder at connection time.
struct CloudBinding {
    bool enabled = true;
    bool includeVoiceAudio = true;
    QString folder;
    QString localNote;
    std::optional<QString> account;
    std::optional<CloudReceipt> receipt;

    friend bool operator==(const CloudBinding&, const CloudBinding&) = default;

    // The form kept in a Recently Deleted record, and back (throws LumbexError).
    QJsonObject toJson() const;
    static CloudBinding fromJson(const QJsonObject& object);
};

// Every note's binding, kept in "<application folder>/Cloud/bindings.json" beside the library.
// The staging queue is "Cloud Queue" in the same folder.
class CloudBindings {
public:
    explicit CloudBindings(QString cloudFolder);
    // "<parent of the library folder>/Cloud".
    static QString folderBeside(const QString& libraryFolder);

    const QString& cloudFolder() const { return folder_; }
    QString file() const;
    QString queue() const;

    // An unreadable or damaged file reads as no bindings: sync is then off until reconnected,
    // which never writes into the sync folder unasked.
    std::map<Id, CloudBinding> load() const;
    // Written atomically, pretty printed with sorted keys.
    void save(const std::map<Id, CloudBinding>& bindings) const;

    std::optional<CloudBinding> binding(const Id& noteID) const;
    void put(const Id& noteID, const CloudBinding& binding) const;

private:
    QString folder_;
};

QByteArray encodeBindings(const std::map<Id, CloudBinding>& bindings);
std::map<Id, CloudBinding> decodeBindings(const QByteArray& bytes);

} // namespace lumbex
