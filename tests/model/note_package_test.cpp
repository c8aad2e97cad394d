#include "core/files.h"
#include "core/sha256.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "note_fixtures.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Makes a voice recording the note's only one; it has no audio when `audio` is empty.
VoiceRecording& setVoice(NotePackageContents& contents, const QByteArray& audio) {
    VoiceRecording voice;
    voice.id = newId();
    voice.locale = QStringLiteral("en-US");
    voice.duration = 1.5;
    if (!audio.isEmpty())
        voice.audioSHA256 = sha256Hex(audio);
    contents.note.schemaVersion = 2;
    contents.note.recordings.emplace().push_back(voice);
    return contents.note.recordings->back();
}

class NotePackageTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString package = folder.path(QStringLiteral("Note.capturenote"));
    NotePackageContents contents = twoImageNote();

    // Writes `contents` afresh and returns the path of image `index` in it.
    QString recreate(size_t index = 0) {
        removePath(package);
        createNotePackage(contents, package);
        return package + QStringLiteral("/assets/") + contents.note.media.at(index).filename();
    }
    std::string readError() const {
        return test::thrownMessage([&] { readNotePackage(package); });
    }
};

TEST_F(NotePackageTest, WrittenPackageReadsBackIdentically) {
    const QByteArray audio("fake audio bytes");
    contents.audio.emplace(setVoice(contents, audio).id, audio);
    recreate();
    const NotePackageContents read = readNotePackage(package);

    EXPECT_EQ(read.note, contents.note);
    EXPECT_EQ(read.originals, contents.originals);
    EXPECT_EQ(read.audio, contents.audio);
    EXPECT_EQ(test::entriesIn(package), (QStringList{"assets", "audio", "note.json"}));
    EXPECT_EQ(test::entriesIn(folder.path()), QStringList{"Note.capturenote"}) << "no staging left";
}

TEST_F(NotePackageTest, NeverReplacesAnExistingEntry) {
    QDir().mkpath(package);
    folder.write(QStringLiteral("Note.capturenote/keep.txt"), "mine");
    const QString other = folder.write(QStringLiteral("Other.capturenote"), "a file");
    for (const QString& target : {package, other})
        EXPECT_EQ(test::thrownMessage([&] { createNotePackage(contents, target); }),
                  "“" + QFileInfo(target).fileName().toStdString() +
                      "” already exists. Choose another name; the existing file has been kept.");
    EXPECT_EQ(test::fileBytes(package + QStringLiteral("/keep.txt")), "mine");
    EXPECT_EQ(test::fileBytes(other), "a file");
}

TEST_F(NotePackageTest, RefusedWritesLeaveNothingBehind) {
    const std::string missingImage =
        "An original image is missing. Your previous save has been kept.";
    const std::vector<
        std::tuple<const char*, std::function<void(NotePackageContents&)>, std::string>>
        cases{
            {"invalid note", [](NotePackageContents& c) { c.note.schemaVersion = 9; },
             "This note uses a newer format. Open it with a newer version of Lumbex."},
            {"missing original",
             [](NotePackageContents& c) { c.originals.erase(c.note.media[1].id); }, missingImage},
            {"missing audio", [](NotePackageContents& c) { setVoice(c, "sound"); },
             "A voice recording is missing. Your previous save has been kept."},
        };
    for (const auto& [name, spoil, message] : cases) {
        NotePackageContents spoiled = twoImageNote();
        spoil(spoiled);
        EXPECT_EQ(test::thrownMessage([&] { createNotePackage(spoiled, package); }), message)
            << name;
        EXPECT_TRUE(test::entriesIn(folder.path()).isEmpty()) << name;
    }
}

TEST_F(NotePackageTest, IncompleteOrDamagedPackagesAreRefused) {
    recreate();
    writeFileAtomically(package + QStringLiteral("/note.json"), {});
    EXPECT_EQ(readError(), "This is not a complete Lumbex note.");
    const QString image = recreate(1);
    writeFileAtomically(image, test::fileBytes(image).left(20));
    EXPECT_EQ(readError(), "An original image is missing or damaged.");
}

TEST_F(NotePackageTest, OriginalsMatchingTheirDigestMustStillDecodeToTheSavedSize) {
    const std::vector<std::pair<QByteArray, std::string>> cases{
        {test::solidPng(41, 30), "An image does not match its saved dimensions."},
        {"not a PNG", "The image could not be read, or exceeds 120 megapixels."},
    };
    for (const auto& [bytes, message] : cases) {
        writeFileAtomically(recreate(0), bytes);
        CaptureNote note = decodeNoteJson(test::fileBytes(package + QStringLiteral("/note.json")));
        note.media[0].sha256 = sha256Hex(bytes);
        writeFileAtomically(package + QStringLiteral("/note.json"), encodeNoteJson(note));
        EXPECT_EQ(readError(), message) << bytes.toStdString().substr(0, 9);
    }
}

TEST_F(NotePackageTest, VoiceAudioIsCheckedOnlyWhereRecorded) {
    setVoice(contents, {});
    recreate();
    removePath(package + QStringLiteral("/audio"));
    EXPECT_NO_THROW(readNotePackage(package)) << "no audio folder is needed when nothing has audio";

    const QByteArray audio("voice");
    const VoiceRecording voice = setVoice(contents, audio);
    contents.audio.emplace(voice.id, audio);
    recreate();
    writeFileAtomically(package + QStringLiteral("/audio/") + voice.filename(), "other");
    EXPECT_EQ(readError(), "A voice recording is missing or damaged.");
    removePath(package + QStringLiteral("/audio"));
    EXPECT_EQ(readError(), "A voice recording is missing or damaged.");
}

TEST_F(NotePackageTest, DecodingFailuresPassThrough) {
    recreate();
    const QByteArray json = test::fileBytes(package + QStringLiteral("/note.json"));
    writeFileAtomically(package + QStringLiteral("/note.json"),
                        QByteArray(json).replace("\"width\": 40", "\"width\": \"40\""));
    EXPECT_EQ(readError(), "media[0].width: expected an integer");
}

TEST_F(NotePackageTest, UnnamedFilesAreIgnoredAndNotCarriedOver) {
    recreate();
    folder.write(QStringLiteral("Note.capturenote/assets/stray.png"), test::solidPng(5, 5));
    folder.write(QStringLiteral("Note.capturenote/extra.txt"), "x");
    const NotePackageContents read = readNotePackage(package);
    EXPECT_EQ(read.originals.size(), 2u);

    const QString copy = folder.path(QStringLiteral("Copy.capturenote"));
    createNotePackage(read, copy);
    EXPECT_EQ(test::entriesIn(copy), (QStringList{"assets", "audio", "note.json"}));
    EXPECT_EQ(test::entriesIn(copy + QStringLiteral("/assets")).size(), 2);
}

} // namespace
} // namespace lumbex
