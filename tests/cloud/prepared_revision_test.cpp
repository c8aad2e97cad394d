#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "cloud/prepared_revision.h"
#include "core/error.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

void expectMessage(const std::function<void()>& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "no failure, expected: " << message.toStdString();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), message);
    }
}

ReaderFileWriters fakeWriters(int* pdfs = nullptr) {
    ReaderFileWriters writers;
    writers.visibleMedia = [](const CaptureNote& note) { return note.media; };
    writers.writePDF = [pdfs](const CaptureNote& note, const std::map<Id, QByteArray>&,
                              const QString& revisionText, const QString& path) {
        if (pdfs)
            ++*pdfs;
        writeNewFileDurably(path, "%PDF " + note.title.toUtf8() + " " + revisionText.toUtf8());
    };
    return writers;
}

CloudSnapshotInput twoImages() {
    CloudSnapshotInput input;
    input.note = CaptureNote::make();
    input.note.title = "Login: bug";
    input.note.revision = 4;
    appendImage(input, test::solidPng(40, 30, Qt::darkCyan), "One");
    appendImage(input, test::solidPng(20, 10, Qt::red), "Two");
    input.note.media[0].recognition = RecognitionCache{QString(64, u'0'), "text"};
    return input;
}

class PreparedRevisionTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString queue() const { return folder.path("Cloud Queue"); }
};

TEST_F(PreparedRevisionTest, BuildsTheLayoutWithEveryFileRecorded) {
    const CloudSnapshotInput input = twoImages();
    const PreparedCloudRevision prepared =
        PreparedCloudRevision::prepare(input, false, queue(), fakeWriters());
    const CloudRevision& r = prepared.revision;
    EXPECT_EQ(prepared.directory, queue() + "/" + idString(input.note.id) + "/" + r.identifier);
    EXPECT_EQ(r.readerVersion, 2);
    EXPECT_EQ(r.revision, 4);
    EXPECT_FALSE(r.includesVoiceAudio);
    const QString review = "Reviews/Login- bug-" + idString(input.note.id).left(8);
    EXPECT_EQ(r.readerPDF, review + "/" + r.identifier + ".pdf");
    EXPECT_NO_THROW(r.validate());
    EXPECT_NO_THROW(prepared.verify());

    const QByteArray metadata = test::fileBytes(prepared.directory + "/" + r.metadata);
    EXPECT_EQ(r.contentSHA256, CloudRevision::contentHash(metadata, false, 2));
    const CaptureNote stored = decodeNoteJson(metadata);
    EXPECT_FALSE(stored.media[0].recognition) << "recognition caches stay local";
    EXPECT_EQ(test::fileBytes(prepared.directory + "/" + r.readerPDF), "%PDF Login: bug r4");

    int pngs = 0;
    for (const CloudFile& file : r.files) {
        EXPECT_EQ(CloudFiles::record(file.path, prepared.directory + "/" + file.path), file);
        if (file.path.startsWith(review + "/Images/")) {
            ++pngs;
            const QByteArray png = test::fileBytes(prepared.directory + "/" + file.path);
            EXPECT_TRUE(file.path.endsWith("-" + sha256Hex(png).left(12) + ".png"));
            EXPECT_TRUE(png.startsWith("\x89PNG"));
        }
    }
    EXPECT_EQ(pngs, 2);
    EXPECT_TRUE(r.file(r.noteFolder() + "/assets/" + input.note.media[1].filename()));
    EXPECT_EQ(CloudFiles::record(r.manifestPath(), prepared.directory + "/" + r.manifestPath()),
              prepared.manifest);
    EXPECT_EQ(QDir(queue() + "/" + idString(input.note.id))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{r.identifier});
}

TEST_F(PreparedRevisionTest, SameContentReusesTheQueuedRevision) {
    const CloudSnapshotInput input = twoImages();
    int pdfs = 0;
    const auto first = PreparedCloudRevision::prepare(input, true, queue(), fakeWriters(&pdfs));
    const auto second = PreparedCloudRevision::prepare(input, true, queue(), fakeWriters(&pdfs));
    EXPECT_EQ(pdfs, 1);
    EXPECT_EQ(first.revision, second.revision);
    EXPECT_EQ(first.manifest, second.manifest);
}

TEST_F(PreparedRevisionTest, ChangedContentOrVoiceChoiceGivesAnotherIdentifier) {
    CloudSnapshotInput input = twoImages();
    const auto first = PreparedCloudRevision::prepare(input, true, queue(), fakeWriters());
    const auto noVoice = PreparedCloudRevision::prepare(input, false, queue(), fakeWriters());
    EXPECT_NE(first.revision.identifier, noVoice.revision.identifier);
    EXPECT_TRUE(first.revision.identifier.startsWith("r4-"));
    input.note.general = "changed";
    const auto changed = PreparedCloudRevision::prepare(input, true, queue(), fakeWriters());
    EXPECT_TRUE(changed.revision.identifier.startsWith("r4-"));
    EXPECT_NE(changed.revision.identifier, first.revision.identifier);
}

TEST_F(PreparedRevisionTest, DamagedQueuedRevisionIsKeptAndRefused) {
    const CloudSnapshotInput input = twoImages();
    const auto first = PreparedCloudRevision::prepare(input, false, queue(), fakeWriters());
    const QString pdf = first.directory + "/" + first.revision.readerPDF;
    writeFileAtomically(pdf, "tampered");
    const auto before = test::treeOf(first.directory);
    expectMessage([&] { PreparedCloudRevision::prepare(input, false, queue(), fakeWriters()); },
                  QString::fromUtf8(CloudMessages::queuedChanged));
    EXPECT_EQ(test::treeOf(first.directory), before);
}

TEST_F(PreparedRevisionTest, MissingOriginalFailsAndLeavesNothing) {
    CloudSnapshotInput input = twoImages();
    input.originals.begin()->second = test::solidPng(40, 30, Qt::green);
    expectMessage([&] { PreparedCloudRevision::prepare(input, false, queue(), fakeWriters()); },
                  QString::fromUtf8(CloudMessages::originalMissing));
    EXPECT_TRUE(QDir(queue() + "/" + idString(input.note.id))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST_F(PreparedRevisionTest, VoiceAudioIsCheckedOnlyWhenIncluded) {
    CloudSnapshotInput input = twoImages();
    VoiceRecording voice;
    voice.id = newId();
    voice.locale = "en_US";
    voice.duration = 1;
    voice.transcript = "hello";
    voice.audioSHA256 = sha256Hex(QByteArray("audio"));
    input.note.schemaVersion = 2;
    input.note.recordings = std::vector<VoiceRecording>{voice};
    expectMessage([&] { PreparedCloudRevision::prepare(input, true, queue(), fakeWriters()); },
                  QString::fromUtf8(CloudMessages::voiceMissing));
    const auto without = PreparedCloudRevision::prepare(input, false, queue(), fakeWriters());
    EXPECT_FALSE(
        decodeNoteJson(test::fileBytes(without.directory + "/" + without.revision.metadata))
            .recordings);
    input.audio[voice.id] = "audio";
    const auto with = PreparedCloudRevision::prepare(input, true, queue(), fakeWriters());
    EXPECT_TRUE(with.revision.file(with.revision.noteFolder() + "/audio/" + voice.filename()));
}

TEST_F(PreparedRevisionTest, FailingReaderFileLeavesNothingBehind) {
    const CloudSnapshotInput input = twoImages();
    ReaderFileWriters writers = fakeWriters();
    writers.writePDF = [](const CaptureNote&, const std::map<Id, QByteArray>&, const QString&,
                          const QString&) { throw LumbexError("could not fit"); };
    expectMessage([&] { PreparedCloudRevision::prepare(input, false, queue(), writers); },
                  "could not fit");
    EXPECT_TRUE(QDir(queue() + "/" + idString(input.note.id))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

} // namespace
} // namespace lumbex
