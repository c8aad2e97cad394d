#include "platform/lumbex_module.h"
#include "support/temporary_folder.h"
#include "support/thrown_message.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

QString notLoaded(const QString& fileName, const QString& reason) {
    return QStringLiteral("Lumbex could not load its module “%1”: %2. Reinstall Lumbex.")
        .arg(fileName, reason);
}

TEST(LumbexModule, AMissingOrOddFileIsRefusedWithItsName) {
    const test::TemporaryFolder folder;
    QDir().mkdir(folder.path(QStringLiteral("folder.so")));
    QFile::link(QStringLiteral("/lib/x86_64-linux-gnu/libm.so.6"),
                folder.path(QStringLiteral("link.so")));
    const std::vector<std::pair<QString, QString>> rows = {
        {QStringLiteral("absent.so"), QStringLiteral("it is missing")},
        {QStringLiteral("folder.so"), QStringLiteral("it is not a regular file")},
        // Even to a good library: a link in the module folder is nothing Lumbex put there.
        {QStringLiteral("link.so"), QStringLiteral("it is not a regular file")},
    };
    for (const auto& [name, reason] : rows)
        EXPECT_EQ(test::thrownMessage(
                      [&] { openLumbexModuleAt(folder.path(name), "lumbexMediaModule"); }),
                  notLoaded(name, reason))
            << name.toStdString();
}

TEST(LumbexModule, AFileTheLoaderRefusesGivesTheLoadersReason) {
    const test::TemporaryFolder folder;
    const QString path =
        folder.write(QStringLiteral("lumbex-media.so"), QByteArray("not a shared object", 19));
    const QString message =
        test::thrownMessage([&] { openLumbexModuleAt(path, "lumbexMediaModule"); });
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("Lumbex could not load its module “lumbex-media.so”: ")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral(". Reinstall Lumbex."))) << message.toStdString();
}

TEST(LumbexModule, ALibraryWithoutTheEntryIsRefused) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("lumbex-pdf.so"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/lib/x86_64-linux-gnu/libm.so.6"), path));
    EXPECT_EQ(test::thrownMessage([&] { openLumbexModuleAt(path, "lumbexPdfModule"); }),
              notLoaded(QStringLiteral("lumbex-pdf.so"),
                        QStringLiteral("it has no entry “lumbexPdfModule”")));
}

TEST(LumbexModule, AModuleNotBesideTheExecutableIsLookedForInTheInstalledFolder) {
    // The test binary has no modules beside it and none is installed under its folder.
    const QString message =
        test::thrownMessage([] { openLumbexModule(QStringLiteral("lumbex-none.so"), "entry"); });
    EXPECT_EQ(message,
              notLoaded(QStringLiteral("lumbex-none.so"), QStringLiteral("it is missing")));
}

} // namespace
} // namespace lumbex
