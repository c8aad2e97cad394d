// "Open at Login": the autostart entry in a temporary XDG_CONFIG_HOME, written, read back and
// removed, and the things at its place that are not Lumbex's to touch.
#include "core/error.h"
#include "platform/autostart_entry.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::fileBytes;

class AutostartEntryTest : public testing::Test {
protected:
    void SetUp() override {
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        savedHome_ = qgetenv("HOME");
        qputenv("XDG_CONFIG_HOME", folder.path("config").toUtf8());
        qputenv("HOME", folder.path("home").toUtf8());
    }
    void TearDown() override {
        qputenv("XDG_CONFIG_HOME", savedConfig_);
        qputenv("HOME", savedHome_);
    }
    QString entryPath() const { return folder.path("config/autostart/lumbex.desktop"); }

    test::TemporaryFolder folder;
    AutostartEntry entry{QStringLiteral("/usr/bin/lumbex")};

private:
    QByteArray savedConfig_;
    QByteArray savedHome_;
};

TEST_F(AutostartEntryTest, EnablingWritesTheEntryAndDisablingRemovesIt) {
    EXPECT_EQ(AutostartEntry::path(), entryPath());
    EXPECT_FALSE(entry.isEnabled());
    entry.setEnabled(true);
    EXPECT_TRUE(entry.isEnabled());
    EXPECT_EQ(fileBytes(entryPath()), "[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Name=Lumbex\n"
                                      "Comment=Starts Lumbex in the system tray\n"
                                      "Exec=/usr/bin/lumbex\n"
                                      "Icon=lumbex\n"
                                      "Terminal=false\n"
                                      "X-GNOME-Autostart-enabled=true\n");
    // Written through a temporary name that is gone.
    EXPECT_EQ(QDir(folder.path("config/autostart"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"lumbex.desktop"});
    entry.setEnabled(true); // again: the same file, no error
    EXPECT_TRUE(entry.isEnabled());

    entry.setEnabled(false);
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_FALSE(QFile::exists(entryPath()));
    entry.setEnabled(false); // nothing to remove is fine
    EXPECT_FALSE(QFile::exists(entryPath()));
}

TEST_F(AutostartEntryTest, TheWrittenEntryValidates) {
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    for (const QString& program : {QStringLiteral("/usr/bin/lumbex"),
                                   QStringLiteral("/home/a b/build \"x\" $1 100%/lumbex")}) {
        AutostartEntry(program).setEnabled(true);
        QProcess validate;
        validate.start("desktop-file-validate", {entryPath()});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
        EXPECT_EQ(validate.readAll(), "") << program.toStdString();
    }
}

TEST_F(AutostartEntryTest, ProgramsWithSpecialCharactersAreQuoted) {
    const std::pair<QString, QString> cases[] = {
        {"/usr/bin/lumbex", "Exec=/usr/bin/lumbex\n"},
        {"/opt/my apps/lumbex", "Exec=\"/opt/my apps/lumbex\"\n"},
        {"/tmp/\"q\"/lumbex", "Exec=\"/tmp/\\\\\"q\\\\\"/lumbex\"\n"},
        {"/tmp/$HOME/lumbex", "Exec=\"/tmp/\\\\$HOME/lumbex\"\n"},
        {"/tmp/back\\slash/lumbex", "Exec=\"/tmp/back\\\\\\\\slash/lumbex\"\n"},
        {"/tmp/100%/lumbex", "Exec=\"/tmp/100%%/lumbex\"\n"},
    };
    for (const auto& [program, line] : cases)
        EXPECT_TRUE(AutostartEntry(program).contents().contains(line.toUtf8()))
            << program.toStdString() << "\n"
            << AutostartEntry(program).contents().toStdString();
}

TEST_F(AutostartEntryTest, AnEntryTheSessionWouldSkipIsNotChecked) {
    for (const QByteArray& off :
         {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false")}) {
        QDir().mkpath(folder.path("config/autostart"));
        folder.write("config/autostart/lumbex.desktop",
                     "[Desktop Entry]\nType=Application\nExec=lumbex\n" + off + "\n");
        EXPECT_FALSE(entry.isEnabled()) << off.toStdString();
        entry.setEnabled(true);
        EXPECT_TRUE(entry.isEnabled()) << off.toStdString();
        EXPECT_FALSE(fileBytes(entryPath()).contains(off));
    }
}

TEST_F(AutostartEntryTest, ALinkAtTheEntrysPlaceIsNeitherReadNorReplaced) {
    QDir().mkpath(folder.path("config/autostart"));
    const QString target = folder.write("elsewhere.desktop", "[Desktop Entry]\nExec=lumbex\n");
    ASSERT_TRUE(QFile::link(target, entryPath()));
    EXPECT_FALSE(entry.isEnabled());
    for (bool enabled : {true, false}) {
        try {
            entry.setEnabled(enabled);
            ADD_FAILURE() << "a link was accepted";
        } catch (const LumbexError& e) {
            EXPECT_EQ(e.message(),
                      QStringLiteral("“%1” is not a file Lumbex wrote. Remove it, then "
                                     "choose Open at Login again.")
                          .arg(entryPath()));
        }
        EXPECT_TRUE(QFileInfo(entryPath()).isSymLink());
        EXPECT_EQ(fileBytes(target), "[Desktop Entry]\nExec=lumbex\n");
    }
}

TEST_F(AutostartEntryTest, AFolderAtTheEntrysPlaceIsRefused) {
    QDir().mkpath(entryPath());
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_THROW(entry.setEnabled(true), LumbexError);
    EXPECT_THROW(entry.setEnabled(false), LumbexError);
    EXPECT_TRUE(QFileInfo(entryPath()).isDir());
}

TEST_F(AutostartEntryTest, ALinkedAutostartFolderIsNotWrittenThrough) {
    QDir().mkpath(folder.path("config"));
    QDir().mkpath(folder.path("other"));
    ASSERT_TRUE(QFile::link(folder.path("other"), folder.path("config/autostart")));
    EXPECT_THROW(entry.setEnabled(true), LumbexError);
    EXPECT_TRUE(QDir(folder.path("other")).isEmpty());
}

TEST_F(AutostartEntryTest, WithoutAnAbsoluteConfigHomeTheEntryIsInTheHomeFolder) {
    for (const QByteArray& value : {QByteArray(), QByteArray("relative/config")}) {
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(AutostartEntry::path(), folder.path("home/.config/autostart/lumbex.desktop"));
    }
    entry.setEnabled(true);
    EXPECT_TRUE(QFile::exists(folder.path("home/.config/autostart/lumbex.desktop")));
}

} // namespace
} // namespace lumbex
