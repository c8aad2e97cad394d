#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "model/image_import.h"
#include "model/note_document.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "note_fixtures.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace lumbex {
namespace {

using test::thrownMessage;

NotePackageContents oneImageNote() {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    appendImage(contents, test::solidPng(24, 16), QStringLiteral("shot"));
    return contents;
}

class NoteLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { settings.setValue("defaultDestination", project()); }

    QString notes() const { return folder.path(QStringLiteral("Notes")); }
    QString project() const { return folder.path(); }
    QString storedDestination(const Id& noteID) const {
        return settings.value("destination." + idString(noteID)).toString();
    }
    QString makePackage(const QString& name, const QByteArray& noteJson) const {
        const QString path = QDir(notes()).filePath(name + QStringLiteral(".capturenote"));
        EXPECT_TRUE(QDir().mkpath(path));
        folder.write(QStringLiteral("Notes/") + name + QStringLiteral(".capturenote/note.json"),
                     noteJson);
        return path;
    }

    test::TemporaryFolder folder;
    QSettings settings{folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat};
};

TEST_F(NoteLibraryTest, NotesCreatedFromSeveralThreadsAreDistinctPackagesWithTheDefaultProject) {
    NoteLibrary library(notes(), settings);
    constexpr int kThreads = 6, kNotesEach = 4;
    std::mutex lock;
    std::map<Id, QString> created;
    std::vector<std::string> failures;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int n = 0; n < kNotesEach; ++n) {
                const NotePackageContents contents = oneImageNote();
                try {
                    const QString path = library.create(contents);
                    const std::lock_guard locked(lock);
                    created.emplace(contents.note.id, path);
                } catch (const LumbexError& error) {
                    const std::lock_guard locked(lock);
                    failures.push_back(error.message().toStdString());
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(failures, std::vector<std::string>{});
    ASSERT_EQ(created.size(), size_t(kThreads * kNotesEach));
    QStringList expected;
    for (const auto& [id, path] : created) {
        EXPECT_EQ(path, QDir(notes()).filePath(idString(id) + QStringLiteral(".capturenote")));
        EXPECT_EQ(readNotePackage(path).note.id, id);
        EXPECT_EQ(storedDestination(id), project());
        expected.append(QFileInfo(path).fileName());
    }
    expected.sort();
    EXPECT_EQ(
        QDir(notes()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
        expected)
        << "only the packages, nothing half-written";
}

TEST_F(NoteLibraryTest, EveryNewNoteStartsWithTheDefaultProjectAndLivesInTheGivenFolder) {
    NoteLibrary library(notes(), settings);
    const auto saved = [](std::unique_ptr<NoteDocument> document) {
        std::optional<std::optional<QString>> result;
        document->saveCheckpoint([&](const auto& error) { result = error; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
        EXPECT_EQ(result.value_or(QStringLiteral("no answer")), std::nullopt);
        return std::pair{document->note().id, document->filePath()};
    };
    const std::vector<std::pair<const char*, std::function<std::pair<Id, QString>()>>> paths = {
        {"a package",
         [&] {
             const NotePackageContents contents = oneImageNote();
             return std::pair{contents.note.id, library.create(contents)};
         }},
        {"an imported image",
         [&] {
             return saved(
                 library.documentFromImageData(test::solidPng(30, 20), QStringLiteral("imported")));
         }},
        {"a capture", [&] {
             return saved(library.documentFromCapturePNG(test::solidPng(30, 20),
                                                         QStringLiteral("captured")));
         }}};
    for (const auto& [name, create] : paths) {
        SCOPED_TRACE(name);
        const auto [id, path] = create();
        EXPECT_EQ(path, library.packagePath(id));
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(notes()).absoluteFilePath());
        EXPECT_EQ(storedDestination(id), project());
    }
}

TEST_F(NoteLibraryTest, AFailedCreationForgetsTheProjectItGaveTheNote) {
    NoteLibrary library(notes(), settings);
    const QString taken = folder.write(QStringLiteral("Taken.capturenote"), "a file");
    const NotePackageContents contents = oneImageNote();
    EXPECT_EQ(thrownMessage([&] { library.create(contents, taken); }),
              "“Taken.capturenote” already exists. Choose another name; the existing file has "
              "been kept.");
    EXPECT_EQ(test::fileBytes(taken), "a file");
    EXPECT_FALSE(settings.contains("destination." + idString(contents.note.id)));
}

TEST_F(NoteLibraryTest, BackgroundCreationWritesOnAnotherThreadAndReportsOnTheLibrarysThread) {
    QSemaphore release;
    std::atomic<QThread*> writer = nullptr;
    NoteLibrary library(notes(), settings,
                        [&](const NotePackageContents& contents, const QString& path) {
                            writer = QThread::currentThread();
                            if (!release.tryAcquire(1, 5000))
                                throw LumbexError(QStringLiteral("Never released."));
                            createNotePackage(contents, path);
                        });
    const NotePackageContents contents = oneImageNote();
    std::optional<std::pair<QString, std::optional<QString>>> result;
    QThread* reportedOn = nullptr;
    QObject context;
    library.createInBackground(contents, &context, [&](const QString& path, const auto& error) {
        result = {path, error};
        reportedOn = QThread::currentThread();
    });
    EXPECT_FALSE(QFileInfo::exists(library.packagePath(contents.note.id)));
    EXPECT_EQ(storedDestination(contents.note.id), project()) << "taken as the note is made";
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    EXPECT_EQ(result->first, library.packagePath(contents.note.id));
    EXPECT_EQ(result->second, std::nullopt);
    EXPECT_NE(writer.load(), QThread::currentThread());
    EXPECT_EQ(reportedOn, QThread::currentThread());
    EXPECT_EQ(readNotePackage(result->first).note.id, contents.note.id);
}

TEST_F(NoteLibraryTest, ABackgroundCreationThatFailsReportsWhyAndForgetsTheNote) {
    folder.write(QStringLiteral("Notes"), "a file where the library should be");
    NoteLibrary library(notes(), settings);
    const NotePackageContents contents = oneImageNote();
    std::optional<std::optional<QString>> error;
    QObject context;
    library.createInBackground(contents, &context,
                               [&](const QString&, const auto& failure) { error = failure; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return error.has_value(); }, 5000));
    EXPECT_EQ(*error, QStringLiteral("Could not create the folder “Notes”."));
    EXPECT_FALSE(settings.contains("destination." + idString(contents.note.id)));
}

TEST_F(NoteLibraryTest, ForgetDropsTheThreeKeysOfThatNoteOnly) {
    NoteLibrary library(notes(), settings);
    const Id gone = newId(), kept = newId();
    for (const Id& id : {gone, kept})
        for (const char* prefix : {"destination.", "lastHandoff.", "editorView."})
            settings.setValue(prefix + idString(id), QStringLiteral("value"));

    library.forget(gone);
    for (const char* prefix : {"destination.", "lastHandoff.", "editorView."}) {
        SCOPED_TRACE(prefix);
        EXPECT_FALSE(settings.contains(prefix + idString(gone)));
        EXPECT_TRUE(settings.contains(prefix + idString(kept)));
    }
    EXPECT_EQ(settings.value("defaultDestination").toString(), project());
}

TEST_F(NoteLibraryTest, RecentNotesNewestFirstTitledFromTheNoteAndOnlyExistingPackages) {
    NoteLibrary library(notes(), settings);
    const QString first = makePackage(QStringLiteral("a"), R"({"title":"Login bug"})");
    const QString second = makePackage(QStringLiteral("b"), "not json");
    const QString gone = makePackage(QStringLiteral("c"), R"({"title":"Gone"})");
    library.addRecent(first);
    library.addRecent(gone);
    library.addRecent(second);
    library.addRecent(first);
    QDir(gone).removeRecursively();

    const auto entries = library.recentNotes();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, first);
    EXPECT_EQ(entries[0].title, QStringLiteral("Login bug"));
    EXPECT_EQ(entries[1].path, second);
    EXPECT_EQ(entries[1].title, QStringLiteral("b"));

    for (int i = 0; i < 15; ++i)
        library.addRecent(makePackage(QString::number(i), "{}"));
    EXPECT_EQ(int(library.recentNotes().size()), RecentNotes::kMenuLimit)
        << "the menu shows at most";
    EXPECT_EQ(library.recentNotes().front().title, QStringLiteral("14"));
}

TEST_F(NoteLibraryTest, RecentNotesReadOnlyARegularNoteFileOfSensibleSize) {
    NoteLibrary library(notes(), settings);
    const QByteArray titled = R"({"title":"Readable"})";
    const QString outside = folder.write(QStringLiteral("outside.json"), titled);
    const QByteArray oversized =
        R"({"title":"Too large","pad":")" + QByteArray(8 << 20, 'x') + "\"}";
    const std::vector<std::tuple<const char*, std::function<void(const QString& json)>, QString>>
        cases = {
            {"a note file of 8 MiB and more",
             [&](const QString& json) { writeFileAtomically(json, oversized); },
             QStringLiteral("big")},
            {"a FIFO",
             [](const QString& json) {
                 QFile::remove(json);
                 ASSERT_EQ(::mkfifo(encodeFileName(json).constData(), 0600), 0);
             },
             QStringLiteral("fifo")},
            {"a symbolic link",
             [&](const QString& json) {
                 QFile::remove(json);
                 ASSERT_TRUE(QFile::link(outside, json));
             },
             QStringLiteral("link")},
        };
    for (const auto& [name, replace, package] : cases) {
        SCOPED_TRACE(name);
        const QString path = makePackage(package, titled);
        replace(QDir(path).filePath(QStringLiteral("note.json")));
        library.addRecent(path);
        const auto entries = library.recentNotes();
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries.front().path, path);
        EXPECT_EQ(entries.front().title, package) << "named after the package, not read";
    }

    const QString linked = QDir(notes()).filePath(QStringLiteral("linked.capturenote"));
    ASSERT_TRUE(QFile::link(makePackage(QStringLiteral("target"), titled), linked));
    const QString deleted = folder.path(QStringLiteral("Recently Deleted/d.capturenote"));
    ASSERT_TRUE(QDir().mkpath(deleted));
    library.addRecent(linked);
    library.addRecent(deleted);
    for (const RecentNotes::Entry& entry : library.recentNotes()) {
        EXPECT_NE(entry.path, linked) << "a package that is a symbolic link is not followed";
        EXPECT_NE(entry.path, deleted) << "a deleted note is not recent";
    }
}

} // namespace
} // namespace lumbex
