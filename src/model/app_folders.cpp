#include "model/app_folders.h"

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

} // namespace lumbex
