#include "core/error.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

NotePackageContents twoImageNote() {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    appendImage(contents, test::solidPng(40, 30), QStringLiteral("first"));
    appendImage(contents, test::solidPng(20, 10, Qt::yellow), QStringLiteral("second"));
    return contents;
}

VoiceRecording voiceWithAudio(const QByteArray& audio) {
    VoiceRecording voice;
    voice.id = newId();
    voice.locale = QStringLiteral("en-US");
    voice.duration = 1.5;
    voice.audioSHA256 = sha256Hex(audio);
    return voice;
}

QStringList entriesBeside(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& e) {
        return e.what();
    }
    return "(no error)";
}

class NotePackageTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString package = folder.path(QStringLiteral("Note.capturenote"));

    QString assetPath(const NotePackageContents& contents, size_t index) const {
        return package + QStringLiteral("/assets/") + contents.note.media.at(index).filename();
    }
    void rewriteNoteJson(const std::function<void(CaptureNote&)>& edit) const {
        CaptureNote note = decodeNoteJson(readFile(package + QStringLiteral("/note.json")));
        edit(note);
        writeFileAtomically(package + QStringLiteral("/note.json"), encodeNoteJson(note));
    }
};

TEST_F(NotePackageTest, WrittenPackageReadsBackIdentically) {
    NotePackageContents contents = twoImageNote();
    const QByteArray audio("fake audio bytes");
    VoiceRecording voice = voiceWithAudio(audio);
    contents.note.schemaVersion = 2;
    contents.note.recordings = std::vector{voice};
    contents.audio.emplace(voice.id, audio);

    createNotePackage(contents, package);
    const NotePackageContents read = readNotePackage(package);

    EXPECT_EQ(read.note, contents.note);
    EXPECT_EQ(read.originals, contents.originals);
    EXPECT_EQ(read.audio, contents.audio);
    EXPECT_EQ(QDir(package).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"assets", "audio", "note.json"}));
    EXPECT_EQ(entriesBeside(folder.path()), QStringList{"Note.capturenote"})
        << "no staging folder is left behind";
}

TEST_F(NotePackageTest, ImportedImagesFollowTheAppendRules) {
    const NotePackageContents contents = twoImageNote();
    ASSERT_EQ(contents.note.media.size(), 2u);
    const Media& first = contents.note.media[0];
    const Media& second = contents.note.media[1];
    EXPECT_EQ(first.role, MediaRole::Current);
    EXPECT_EQ(second.role, MediaRole::After);
    EXPECT_FALSE(first.includeInRequest);
    EXPECT_EQ(first.name, "first");
    EXPECT_EQ(first.width, 40);
    EXPECT_EQ(first.height, 30);
    EXPECT_EQ(first.sha256, sha256Hex(contents.originals.at(first.id)));
}

TEST_F(NotePackageTest, NeverReplacesAnExistingEntry) {
    QDir().mkpath(package);
    folder.write(QStringLiteral("Note.capturenote/keep.txt"), "mine");
    const QString other = folder.write(QStringLiteral("Other.capturenote"), "a file");

    EXPECT_NE(messageOf([&] { createNotePackage(twoImageNote(), package); }).find("already exists"),
              std::string::npos);
    EXPECT_NE(messageOf([&] { createNotePackage(twoImageNote(), other); }).find("already exists"),
              std::string::npos);
    EXPECT_EQ(readFile(package + QStringLiteral("/keep.txt")), "mine");
    EXPECT_EQ(readFile(other), "a file");
}

TEST_F(NotePackageTest, RefusedWritesLeaveNothingBehind) {
    struct Case {
        const char* name;
        std::function<void(NotePackageContents&)> spoil;
        std::string message;
    };
    const std::vector<Case> cases{
        {"invalid note", [](NotePackageContents& c) { c.note.schemaVersion = 9; },
         "This note uses a newer format. Open it with a newer version of Lumbex."},
        {"missing original", [](NotePackageContents& c) { c.originals.erase(c.note.media[1].id); },
         "An original image is missing. Your previous save has been kept."},
        {"changed original",
         [](NotePackageContents& c) {
             c.originals[c.note.media[0].id] = test::solidPng(40, 30, Qt::red);
         },
         "An original image is missing. Your previous save has been kept."},
        {"missing audio",
         [](NotePackageContents& c) {
             c.note.schemaVersion = 2;
             c.note.recordings = std::vector{voiceWithAudio("sound")};
         },
         "A voice recording is missing. Your previous save has been kept."},
    };
    for (const Case& c : cases) {
        NotePackageContents contents = twoImageNote();
        c.spoil(contents);
        EXPECT_EQ(messageOf([&] { createNotePackage(contents, package); }), c.message) << c.name;
        EXPECT_TRUE(entriesBeside(folder.path()).isEmpty()) << c.name;
    }
}

TEST_F(NotePackageTest, IncompletePackagesAreRefused) {
    struct Case {
        const char* name;
        std::function<void(const QString& package)> spoil;
    };
    const std::vector<Case> cases{
        {"no package", [](const QString& p) { QDir(p).removeRecursively(); }},
        {"no note.json", [](const QString& p) { QFile::remove(p + "/note.json"); }},
        {"empty note.json", [](const QString& p) { writeFileAtomically(p + "/note.json", {}); }},
        {"note.json is a folder",
         [](const QString& p) {
             QFile::remove(p + "/note.json");
             QDir().mkdir(p + "/note.json");
         }},
        {"no assets folder", [](const QString& p) { QDir(p + "/assets").removeRecursively(); }},
        {"assets is a file",
         [](const QString& p) {
             QDir(p + "/assets").removeRecursively();
             writeFileAtomically(p + "/assets", "x");
         }},
    };
    for (const Case& c : cases) {
        QDir(package).removeRecursively();
        createNotePackage(twoImageNote(), package);
        c.spoil(package);
        EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
                  "This is not a complete Lumbex note.")
            << c.name;
    }
}

TEST_F(NotePackageTest, DamagedOriginalsAreRefused) {
    struct Case {
        const char* name;
        std::function<void(const QString& asset)> spoil;
    };
    const std::vector<Case> cases{
        {"missing", [](const QString& a) { QFile::remove(a); }},
        {"empty", [](const QString& a) { writeFileAtomically(a, {}); }},
        {"changed",
         [](const QString& a) { writeFileAtomically(a, test::solidPng(40, 30, Qt::red)); }},
        {"truncated", [](const QString& a) { writeFileAtomically(a, readFile(a).left(20)); }},
        {"a folder",
         [](const QString& a) {
             QFile::remove(a);
             QDir().mkdir(a);
         }},
    };
    for (const Case& c : cases) {
        QDir(package).removeRecursively();
        const NotePackageContents contents = twoImageNote();
        createNotePackage(contents, package);
        c.spoil(assetPath(contents, 1));
        EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
                  "An original image is missing or damaged.")
            << c.name;
    }
}

TEST_F(NotePackageTest, OriginalWithOtherDimensionsIsRefused) {
    const NotePackageContents contents = twoImageNote();
    createNotePackage(contents, package);
    const QByteArray wider = test::solidPng(41, 30);
    writeFileAtomically(assetPath(contents, 0), wider);
    rewriteNoteJson([&](CaptureNote& note) { note.media[0].sha256 = sha256Hex(wider); });

    EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
              "An image does not match its saved dimensions.");
}

TEST_F(NotePackageTest, UndecodableOriginalWithMatchingDigestIsRefused) {
    const NotePackageContents contents = twoImageNote();
    createNotePackage(contents, package);
    const QByteArray notAnImage("definitely not a PNG");
    writeFileAtomically(assetPath(contents, 0), notAnImage);
    rewriteNoteJson([&](CaptureNote& note) { note.media[0].sha256 = sha256Hex(notAnImage); });

    EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
              "The image could not be read, or exceeds 120 megapixels.");
}

TEST_F(NotePackageTest, VoiceAudioIsCheckedOnlyWhereRecorded) {
    NotePackageContents contents = twoImageNote();
    const QByteArray audio("voice");
    VoiceRecording withAudio = voiceWithAudio(audio);
    VoiceRecording withoutAudio = voiceWithAudio({});
    withoutAudio.audioSHA256.reset();
    contents.note.schemaVersion = 2;
    contents.note.recordings = std::vector{withoutAudio};
    createNotePackage(contents, package);
    QDir(package + QStringLiteral("/audio")).removeRecursively();
    EXPECT_NO_THROW(readNotePackage(package))
        << "a package without an audio folder opens when nothing has audio";

    QDir(package).removeRecursively();
    contents.note.recordings = std::vector{withAudio};
    contents.audio.emplace(withAudio.id, audio);
    createNotePackage(contents, package);
    writeFileAtomically(package + QStringLiteral("/audio/") + withAudio.filename(), "other");
    EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
              "A voice recording is missing or damaged.");
    QDir(package + QStringLiteral("/audio")).removeRecursively();
    EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
              "A voice recording is missing or damaged.");
}

TEST_F(NotePackageTest, DecodingAndValidationFailuresPassThrough) {
    createNotePackage(twoImageNote(), package);
    QByteArray json = readFile(package + QStringLiteral("/note.json"));
    json.replace("\"width\": 40", "\"width\": \"40\"");
    writeFileAtomically(package + QStringLiteral("/note.json"), json);
    EXPECT_EQ(messageOf([&] { readNotePackage(package); }), "media[0].width: expected an integer");

    json.replace("\"width\": \"40\"", "\"width\": 40");
    json.replace("\"schemaVersion\": 1", "\"schemaVersion\": 9");
    writeFileAtomically(package + QStringLiteral("/note.json"), json);
    EXPECT_EQ(messageOf([&] { readNotePackage(package); }),
              "This note uses a newer format. Open it with a newer version of Lumbex.");
}

TEST_F(NotePackageTest, UnnamedFilesAreIgnoredAndNotCarriedOver) {
    createNotePackage(twoImageNote(), package);
    folder.write(QStringLiteral("Note.capturenote/assets/stray.png"), test::solidPng(5, 5));
    folder.write(QStringLiteral("Note.capturenote/extra.txt"), "x");
    const NotePackageContents read = readNotePackage(package);
    EXPECT_EQ(read.originals.size(), 2u);

    const QString copy = folder.path(QStringLiteral("Copy.capturenote"));
    createNotePackage(read, copy);
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral("/assets/stray.png")));
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral("/extra.txt")));
}

} // namespace
} // namespace lumbex
