#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "cloud/cloud_revision.h"
#include "core/error.h"
#include "core/json_read.h"
#include "core/sha256.h"
#include "support/qt_printers.h"

#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

QString hex(char c) {
    return QString(64, QChar::fromLatin1(c));
}

// A valid revision with a metadata file, a PDF, a video and one original.
CloudRevision validRevision() {
    CloudRevision r;
    r.noteID = *parseId(u"0A1B2C3D-0000-4000-8000-000000000001");
    r.revision = 12;
    r.contentSHA256 = CloudRevision::contentHash("{}", true, 2);
    r.identifier = CloudRevision::makeIdentifier(12, r.contentSHA256);
    r.includesVoiceAudio = true;
    r.readerVersion = 2;
    r.metadata = r.noteFolder() + "/revisions/" + r.identifier + ".note.json";
    r.readerPDF = "Reviews/Title-0A1B2C3D/" + r.identifier + ".pdf";
    r.readerVideo = "Reviews/Title-0A1B2C3D/video-0123456789abcdef.mp4";
    r.files = {{r.metadata, hex('a'), 2},
               {r.readerPDF, hex('b'), 100},
               {*r.readerVideo, hex('c'), 1000},
               {r.noteFolder() + "/assets/A.png", hex('d'), 10}};
    return r;
}

void expectMessage(const std::function<void()>& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "no failure, expected: " << message.toStdString();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), message);
    }
}

TEST(CloudRevision, ValidRevisionPasses) {
    EXPECT_NO_THROW(validRevision().validate());
}

TEST(CloudRevision, IdentifierIsRevisionAndHashPrefix) {
    const CloudRevision r = validRevision();
    EXPECT_EQ(r.identifier, "r12-" + r.contentSHA256.left(12));
    EXPECT_EQ(r.manifestPath(),
              "Notes/0A1B2C3D-0000-4000-8000-000000000001.capturenote/revisions/" + r.identifier +
                  ".json");
    EXPECT_EQ(r.currentNotePath(),
              "Notes/0A1B2C3D-0000-4000-8000-000000000001.capturenote/note.json");
}

TEST(CloudRevision, ContentHashCoversVoiceByteAndReaderVersion) {
    const QByteArray metadata = "{\"a\":1}";
    EXPECT_EQ(CloudRevision::contentHash(metadata, true, 2),
              sha256Hex(metadata + QByteArray(1, '\1') + "mobile-reader-v2"));
    EXPECT_EQ(CloudRevision::contentHash(metadata, false, 2),
              sha256Hex(metadata + QByteArray(1, '\0') + "mobile-reader-v2"));
    EXPECT_EQ(CloudRevision::contentHash(metadata, false, std::nullopt),
              sha256Hex(metadata + QByteArray(1, '\0')));
    EXPECT_NE(CloudRevision::contentHash(metadata, true, 2),
              CloudRevision::contentHash(metadata, false, 2));
}

struct Fault {
    const char* name;
    std::function<void(CloudRevision&)> change;
    const char* message;
};

class RevisionFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(RevisionFaults, AreRefusedWithTheirMessage) {
    CloudRevision r = validRevision();
    GetParam().change(r);
    expectMessage([&] { r.validate(); }, QString::fromUtf8(GetParam().message));
}

const char* unsupported = CloudMessages::unsupported;
const char* integrity = CloudMessages::integrity;
const char* unsafe = CloudMessages::unsafePath;

void addFile(CloudRevision& r, const QString& path) {
    r.files.push_back({path, hex('e'), 5});
}

INSTANTIATE_TEST_SUITE_P(
    Table, RevisionFaults,
    ::testing::Values(
        Fault{"SchemaVersion2", [](CloudRevision& r) { r.schemaVersion = 2; }, unsupported},
        Fault{"ReaderVersion3", [](CloudRevision& r) { r.readerVersion = 3; }, unsupported},
        Fault{"NegativeRevision",
              [](CloudRevision& r) {
                  r.revision = -1;
                  r.identifier = "r-1-" + r.contentSHA256.left(12);
              },
              unsupported},
        Fault{"ShortContentHash", [](CloudRevision& r) { r.contentSHA256.chop(1); }, unsupported},
        Fault{"NonHexContentHash", [](CloudRevision& r) { r.contentSHA256[0] = u'g'; },
              unsupported},
        Fault{"IdentifierWithAnotherShaPrefix",
              [](CloudRevision& r) {
                  const QString other = CloudRevision::contentHash("other", true, 2);
                  r.identifier = "r12-" + other.left(12);
              },
              unsupported},
        Fault{"IdentifierWithAnotherRevision",
              [](CloudRevision& r) { r.identifier = "r13-" + r.contentSHA256.left(12); },
              unsupported},
        Fault{"MetadataElsewhere",
              [](CloudRevision& r) { r.metadata = r.noteFolder() + "/other.note.json"; },
              unsupported},
        Fault{"PdfOutsideReviews",
              [](CloudRevision& r) { r.readerPDF = "Other/" + r.identifier + ".pdf"; },
              unsupported},
        Fault{"PdfOfAnotherIdentifier",
              [](CloudRevision& r) { r.readerPDF = "Reviews/T/r1-000000000000.pdf"; }, unsupported},
        Fault{"VideoNotMp4", [](CloudRevision& r) { r.readerVideo = "Reviews/T/video.mov"; },
              unsupported},
        Fault{"NoFiles", [](CloudRevision& r) { r.files.clear(); }, unsupported},
        Fault{"DuplicatePath", [](CloudRevision& r) { r.files.push_back(r.files.back()); },
              unsupported},
        Fault{"MetadataNotListed", [](CloudRevision& r) { r.files.erase(r.files.begin()); },
              unsupported},
        Fault{"PdfNotListed", [](CloudRevision& r) { r.files.erase(r.files.begin() + 1); },
              unsupported},
        Fault{"VideoNotListed", [](CloudRevision& r) { r.files.erase(r.files.begin() + 2); },
              unsupported},
        Fault{"PointerListed", [](CloudRevision& r) { addFile(r, r.currentNotePath()); },
              integrity},
        Fault{"ManifestListed", [](CloudRevision& r) { addFile(r, r.manifestPath()); }, integrity},
        Fault{"FileOutsideNoteAndReviews", [](CloudRevision& r) { addFile(r, "Other/x.png"); },
              integrity},
        Fault{"FileOfAnotherNote",
              [](CloudRevision& r) {
                  addFile(r, "Notes/0A1B2C3D-0000-4000-8000-000000000002.capturenote/x.png");
              },
              integrity},
        Fault{"NegativeBytes", [](CloudRevision& r) { r.files.back().bytes = -1; }, integrity},
        Fault{"ShortSha", [](CloudRevision& r) { r.files.back().sha256 = hex('a').left(63); },
              integrity},
        Fault{"NonHexSha", [](CloudRevision& r) { r.files.back().sha256 = hex('z'); }, integrity},
        Fault{"DoubleSlash", [](CloudRevision& r) { addFile(r, "Reviews//x.png"); }, unsafe},
        Fault{"DotPart", [](CloudRevision& r) { addFile(r, "Reviews/./x.png"); }, unsafe},
        Fault{"DotDotPart", [](CloudRevision& r) { addFile(r, "Reviews/../x.png"); }, unsafe},
        Fault{"LeadingSlash", [](CloudRevision& r) { addFile(r, "/Reviews/x.png"); }, unsafe},
        Fault{"Backslash", [](CloudRevision& r) { addFile(r, "Reviews/a\\x.png"); }, unsafe},
        Fault{"Nul", [](CloudRevision& r) { addFile(r, QString("Reviews/a") + QChar(0) + "x"); },
              unsafe},
        Fault{"TrailingSlash", [](CloudRevision& r) { addFile(r, "Reviews/x/"); }, unsafe}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CloudRevision, ReaderVersionMayBeAbsent) {
    CloudRevision r = validRevision();
    r.readerVersion.reset();
    EXPECT_NO_THROW(r.validate());
}

TEST(CloudRevision, CodingUsesSortedKeysAndRoundTrips) {
    const CloudRevision r = validRevision();
    const QByteArray json = CloudCoding::encode(r);
    const QStringList keys = {"contentSHA256", "files",       "identifier", "includesVoiceAudio",
                              "metadata",      "modifiedAt",  "noteID",     "readerPDF",
                              "readerVersion", "readerVideo", "revision",   "schemaVersion"};
    qsizetype last = -1;
    for (const QString& key : keys) {
        const qsizetype at = json.indexOf("\n    \"" + key.toUtf8() + "\": ");
        ASSERT_GT(at, last) << key.toStdString();
        last = at;
    }
    EXPECT_TRUE(json.contains("\"bytes\": 2,"));
    EXPECT_EQ(CloudCoding::decodeRevision(json), r);
}

TEST(CloudRevision, UndecodableManifestIsUnsupported) {
    expectMessage([] { CloudCoding::decodeRevision(QByteArray("{\"schemaVersion\": 1}")); },
                  QString::fromUtf8(unsupported));
    expectMessage([] { CloudCoding::decodeRevision(QByteArray("not json")); },
                  QString::fromUtf8(unsupported));
}

CloudReceipt validReceipt() {
    const CloudRevision r = validRevision();
    return {r, {r.manifestPath(), hex('f'), 900}};
}

TEST(CloudReceipt, RequiredFilesAreManifestPointerThenFiles) {
    const CloudReceipt receipt = validReceipt();
    const std::vector<CloudFile> files = receipt.requiredFiles();
    ASSERT_EQ(files.size(), receipt.revision.files.size() + 2);
    EXPECT_EQ(files[0], receipt.manifest);
    EXPECT_EQ(files[1], (CloudFile{receipt.revision.currentNotePath(), hex('a'), 2}));
    EXPECT_EQ(files[2], receipt.revision.files[0]);
}

TEST(CloudReceipt, FaultsAnswerTheReceiptMessage) {
    const std::vector<std::function<void(CloudReceipt&)>> faults = {
        [](CloudReceipt& r) { r.manifest.path = "Notes/x.json"; },
        [](CloudReceipt& r) { r.manifest.bytes = 0; },
        [](CloudReceipt& r) { r.manifest.sha256 = "abc"; },
        [](CloudReceipt& r) { r.revision.readerVersion = 3; },
        [](CloudReceipt& r) { r.revision.files.push_back(r.revision.files.front()); },
    };
    for (const auto& fault : faults) {
        CloudReceipt receipt = validReceipt();
        fault(receipt);
        expectMessage([&] { receipt.requiredFiles(); },
                      QString::fromUtf8(CloudMessages::receiptIncomplete));
    }
}

TEST(CloudReceipt, CodingRoundTrips) {
    const CloudReceipt receipt = validReceipt();
    const QByteArray json = CloudCoding::encode(receipt);
    EXPECT_LT(json.indexOf("\"manifest\""), json.indexOf("\"revision\""));
    EXPECT_EQ(CloudCoding::decodeReceipt(parseJsonObject(json)), receipt);
}

} // namespace
} // namespace lumbex
