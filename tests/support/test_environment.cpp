#include "support/test_environment.h"

#include <QDir>
#include <QTemporaryDir>
#include <utility>

namespace lumbex::test {

bool prepareTestEnvironment(const QTemporaryDir& home) {
    if (!home.isValid())
        return false;
    for (const auto& [variable, folder] :
         {std::pair{"HOME", ""}, std::pair{"XDG_DATA_HOME", "/data"},
          std::pair{"XDG_CONFIG_HOME", "/config"}, std::pair{"XDG_CACHE_HOME", "/cache"}}) {
        const QString path = home.path() + QString::fromLatin1(folder);
        QDir().mkpath(path);
        qputenv(variable, path.toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    return true;
}

} // namespace lumbex::test
