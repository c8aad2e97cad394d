#pragma once

#include <QIcon>

namespace lumbex {

// An icon of the desktop's theme, or the application's bundled drawing of the same name when the
// theme has none (":/icons/<name>.svg").
inline QIcon themedIcon(const QString& name) {
    return QIcon::fromTheme(name,
                            QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg")));
}

} // namespace lumbex
