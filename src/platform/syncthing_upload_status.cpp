#include "platform/syncthing_upload_status.h"

#include "core/error.h"
#include "core/files.h"
#include "platform/syncthing_api.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>
#include <map>
#include <vector>

namespace lumbex {
namespace {

// A configuration is small; anything larger is not one.
constexpr qint64 kMaxConfigBytes = 16 * 1024 * 1024;

struct FolderConfig {
    QString id;
    QString path; // canonical
    QStringList devices;
};

struct ClientConfig {
    QString address;
    QString apiKey;
    std::vector<FolderConfig> folders;
};

QString expandedPath(const QString& path) {
    if (path == u"~" || path.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

FolderConfig readFolder(QXmlStreamReader& xml) {
    FolderConfig folder{
        xml.attributes().value(QStringLiteral("id")).toString(),
        QFileInfo(expandedPath(xml.attributes().value(QStringLiteral("path")).toString()))
            .canonicalFilePath(),
        {}};
    while (xml.readNextStartElement()) {
        if (xml.name() == u"device")
            folder.devices << xml.attributes().value(QStringLiteral("id")).toString();
        xml.skipCurrentElement();
    }
    return folder;
}

// The GUI address and key, or nothing for an API this client cannot speak to (TLS, or a socket).
void readGui(QXmlStreamReader& xml, ClientConfig& config) {
    const bool tls = xml.attributes().value(QStringLiteral("tls")) == u"true";
    while (xml.readNextStartElement()) {
        if (xml.name() == u"address")
            config.address = xml.readElementText();
        else if (xml.name() == u"apikey")
            config.apiKey = xml.readElementText();
        else
            xml.skipCurrentElement();
    }
    if (tls || config.address.startsWith(u'/') || config.address.startsWith(u"unix"))
        config.address.clear();
}

std::optional<ClientConfig> readConfig(const QString& file) {
    if (entryKind(file) != EntryKind::File)
        return std::nullopt;
    QByteArray bytes;
    try {
        bytes = readFile(file, kMaxConfigBytes);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
    ClientConfig config;
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"configuration")
        return std::nullopt;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"folder")
            config.folders.push_back(readFolder(xml));
        else if (xml.name() == u"gui")
            readGui(xml, config);
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError() || config.address.isEmpty() || config.apiKey.isEmpty())
        return std::nullopt;
    return config;
}

QString encoded(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// The version Syncthing has indexed for a file matches the file on disk: same size and, to the
// second, the same modification time.
bool indexedAsOnDisk(const QJsonObject& local, const QFileInfo& disk) {
    if (local.isEmpty() || local.value(u"invalid").toBool() || local.value(u"deleted").toBool())
        return false;
    if (qint64(local.value(u"size").toDouble(-1)) != disk.size())
        return false;
    const QDateTime modified =
        QDateTime::fromString(local.value(u"modified").toString(), Qt::ISODateWithMs);
    return modified.isValid() &&
           std::abs(modified.toMSecsSinceEpoch() - disk.lastModified().toMSecsSinceEpoch()) < 1000;
}

class SyncthingUploadStatus final : public SyncUploadStatus {
public:
    explicit SyncthingUploadStatus(QStringList configFiles)
        : configFiles_(std::move(configFiles)) {}

    std::optional<QString> account(const QString& path) override {
        const auto owner = findOwner(path);
        if (!owner)
            return std::nullopt;
        return deviceID(owner->first);
    }

    std::optional<SyncUpload> upload(const QStringList& files) override {
        struct Checked {
            ClientConfig config;
            FolderConfig folder;
            bool indexed = false;
        };
        std::vector<Checked> checked;
        for (const QString& file : files) {
            auto owner = findOwner(file);
            if (!owner)
                return std::nullopt;
            const bool indexed = isIndexedAsOnDisk(owner->first, owner->second, file);
            checked.push_back({std::move(owner->first), std::move(owner->second), indexed});
        }
        // Asked after the files: a rescan in between then shows as a need, never as done.
        std::map<QString, QSet<QString>> needed;
        SyncUpload progress{0, files.size()};
        for (qsizetype i = 0; i < files.size(); ++i) {
            const Checked& c = checked[size_t(i)];
            const QString key = c.config.address + QLatin1Char('\n') + c.folder.id;
            if (!needed.contains(key))
                needed[key] = neededElsewhere(c.config, c.folder);
            if (c.indexed && !needed[key].contains(relativePath(c.folder, files[i])))
                ++progress.done;
        }
        return progress;
    }

    // Syncthing pulls what it lacks on its own; a rescan of the folders makes it compare them
    // with the other devices' indexes now instead of at its next interval.
    bool requestDownload(const QStringList& files) override {
        QSet<QString> scanned;
        for (const QString& file : files) {
            const auto owner = findOwner(file);
            if (!owner)
                return false;
            const QString key = owner->first.address + QLatin1Char('\n') + owner->second.id;
            if (scanned.contains(key))
                continue;
            scanned.insert(key);
            SyncthingApi(owner->first.address, owner->first.apiKey)
                .post(QStringLiteral("/rest/db/scan?folder=") + encoded(owner->second.id));
        }
        return !files.isEmpty();
    }

private:
    // The configuration and folder of the first client whose folder holds `path`.
    std::optional<std::pair<ClientConfig, FolderConfig>> findOwner(const QString& path) const {
        const QFileInfo info(path);
        const QString canonical =
            info.exists() ? info.canonicalFilePath() : QFileInfo(info.path()).canonicalFilePath();
        if (canonical.isEmpty())
            return std::nullopt;
        for (const QString& file : configFiles_) {
            const std::optional<ClientConfig> config = readConfig(file);
            if (!config)
                continue;
            for (const FolderConfig& folder : config->folders)
                if (!folder.path.isEmpty() &&
                    (canonical == folder.path ||
                     canonical.startsWith(folder.path + QLatin1Char('/'))))
                    return std::pair{*config, folder};
        }
        return std::nullopt;
    }

    static QString deviceID(const ClientConfig& config) {
        const QJsonDocument status =
            SyncthingApi(config.address, config.apiKey).get(QStringLiteral("/rest/system/status"));
        const QString id = status.object().value(u"myID").toString();
        if (id.isEmpty())
            throw LumbexError(QStringLiteral("Syncthing is not answering. Start it, then retry."));
        return id;
    }

    static QString relativePath(const FolderConfig& folder, const QString& file) {
        const QFileInfo disk(file);
        return QDir(folder.path)
            .relativeFilePath(QFileInfo(disk.path()).canonicalFilePath() + QLatin1Char('/') +
                              disk.fileName());
    }

    // The files of the folder that some other device sharing it does not have in their current
    // version, as this Syncthing knows from that device's index (kept while it is offline).
    static QSet<QString> neededElsewhere(const ClientConfig& config, const FolderConfig& folder) {
        const SyncthingApi api(config.address, config.apiKey);
        const QString self = deviceID(config);
        QSet<QString> names;
        for (const QString& device : folder.devices) {
            if (device == self)
                continue;
            const QJsonDocument answer =
                api.get(QStringLiteral("/rest/db/remoteneed?folder=") + encoded(folder.id) +
                        QStringLiteral("&device=") + encoded(device) +
                        QStringLiteral("&page=1&perpage=1000000"));
            for (const QJsonValue& entry : answer.object().value(u"files").toArray())
                names.insert(entry.toObject().value(u"name").toString());
        }
        return names;
    }

    // Syncthing holds the file as it is on disk now, and that is the folder's current version.
    static bool isIndexedAsOnDisk(const ClientConfig& config, const FolderConfig& folder,
                                  const QString& file) {
        const QFileInfo disk(file);
        const SyncthingApi api(config.address, config.apiKey);
        const std::optional<QJsonDocument> answer =
            api.find(QStringLiteral("/rest/db/file?folder=") + encoded(folder.id) +
                     QStringLiteral("&file=") + encoded(relativePath(folder, file)));
        if (!answer || !disk.exists())
            return false;
        const QJsonObject local = answer->object().value(u"local").toObject();
        const QJsonObject global = answer->object().value(u"global").toObject();
        return indexedAsOnDisk(local, disk) &&
               local.value(u"version").toArray() == global.value(u"version").toArray();
    }

    QStringList configFiles_;
};

} // namespace

QString SyncUpload::label() const {
    if (done >= total)
        return QStringLiteral("In the sync folder");
    return QStringLiteral("Uploading · ") + QString::number(done) + QLatin1Char('/') +
           QString::number(total) + QStringLiteral(" files");
}

std::unique_ptr<SyncUploadStatus> makeSyncthingUploadStatus(QStringList configFiles) {
    return std::make_unique<SyncthingUploadStatus>(std::move(configFiles));
}

QStringList standardSyncthingConfigFiles() {
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = QDir::homePath();
    const QString state = env.value(QStringLiteral("XDG_STATE_HOME"), home + "/.local/state");
    const QString config = env.value(QStringLiteral("XDG_CONFIG_HOME"), home + "/.config");
    return {state + QStringLiteral("/syncthing/config.xml"),
            config + QStringLiteral("/syncthing/config.xml")};
}

} // namespace lumbex
