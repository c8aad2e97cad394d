#include "model/app_folders.h"

#include <QSettings>
#include <QStandardPaths>

namespace lumbex {

QString applicationFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Lumbex");
}

QString libraryFolder() {
    return applicationFolder() + QStringLiteral("/Notes");
}

QString exportsFolder() {
    return applicationFolder() + QStringLiteral("/Exports");
}

std::unique_ptr<QSettings> openSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Lumbex"), QStringLiteral("Lumbex"));
}

} // namespace lumbex
