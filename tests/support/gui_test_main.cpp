#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test binary runs with the offscreen platform, a fixed UTF-8 C locale, and its own empty
// home, data and settings folders, so that no test reads or writes a real user's library.
int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    for (const auto& [variable, folder] :
         {std::pair{"HOME", ""}, std::pair{"XDG_DATA_HOME", "/data"},
          std::pair{"XDG_CONFIG_HOME", "/config"}, std::pair{"XDG_CACHE_HOME", "/cache"}}) {
        const QString path = home.path() + QString::fromLatin1(folder);
        QDir().mkpath(path);
        qputenv(variable, path.toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
