#include "core/file_names.h"
#include "deleted_fixtures.h"
#include "library/deleted_note.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::thrownMessage;

DeletedNote everyField() {
    DeletedNote e;
    e.id = *parseId(u"0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3");
    e.noteID = *parseId(u"1A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3");
    e.title = QStringLiteral("Déjà “vu” · 100%");
    e.deletedAt = 818'000'000.25;
    e.originalURL = QStringLiteral("/home/me/My Notes/A#1?.capturenote");
    e.metadataSHA256 = QString(64, u'a');
    e.cloudBinding = QJsonDocument::fromJson(
                         R"({"receipt": {"revision": 3, "files": ["a", "b"]}, "enabled": true,
                             "folder": "/sync", "ratio": 0.5})")
                         .object();
    e.removeCloudCopies = true;
    e.localArchived = true;
    e.cloudPaths =
        std::vector<QString>{QStringLiteral("Notes/X.capturenote"), QStringLiteral("Reviews/X")};
    e.cloudArchived = true;
    e.restoring = true;
    e.restoredURL = QStringLiteral("/home/me/Notes/X-restored-Y.capturenote");
    e.restoredMetadata = true;
    e.restoredSHA256 = QString(64, u'b');
    e.expiredToTrash = true;
    e.error = QStringLiteral("The file is busy. Try again.");
    return e;
}

TEST(DeletedNoteTest, EveryFieldRoundTrips) {
    const DeletedNote e = everyField();
    EXPECT_EQ(decodeDeletedNote(encodeDeletedNote(e)), e);
    EXPECT_EQ(encodeDeletedNote(decodeDeletedNote(encodeDeletedNote(e))), encodeDeletedNote(e));
}

TEST(DeletedNoteTest, WritesSortedKeysUpperCaseIdsAndFileURLs) {
    const QByteArray json = encodeDeletedNote(everyField());
    EXPECT_TRUE(json.contains("\"id\": \"0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3\""));
    EXPECT_TRUE(
        json.contains("\"originalURL\": \"file:///home/me/My%20Notes/A%231%3F.capturenote\""));
    EXPECT_TRUE(json.contains("\"deletedAt\": 818000000.25"));
    EXPECT_TRUE(json.contains("\n    \"cloudArchived\": true,"));
    const QStringList keys = QJsonDocument::fromJson(json).object().keys();
    // Written in ascending order: the order of their first appearance is the sorted order.
    QList<qsizetype> positions;
    for (const QString& key : keys)
        positions.push_back(json.indexOf("\n    \"" + key.toUtf8() + "\""));
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_FALSE(positions.contains(-1));
}

TEST(DeletedNoteTest, AbsentOptionalsAreLeftOut) {
    DeletedNote e;
    e.id = newId();
    e.noteID = newId();
    e.originalURL = QStringLiteral("/n.capturenote");
    const QJsonObject object = QJsonDocument::fromJson(encodeDeletedNote(e)).object();
    for (const char* key : {"cloudBinding", "cloudPaths", "restoredURL", "restoredSHA256", "error"})
        EXPECT_FALSE(object.contains(QLatin1String(key))) << key;
    EXPECT_EQ(object.size(), 13);
    EXPECT_EQ(decodeDeletedNote(encodeDeletedNote(e)), e);
}

TEST(DeletedNoteTest, NullReadsAsAbsentAndRequiredKeysAreRequired) {
    QJsonObject object = QJsonDocument::fromJson(encodeDeletedNote(everyField())).object();
    object.insert(QStringLiteral("error"), QJsonValue::Null);
    EXPECT_FALSE(decodeDeletedNote(QJsonDocument(object).toJson()).error);
    for (const char* key : {"schemaVersion", "id", "noteID", "title", "deletedAt", "originalURL",
                            "metadataSHA256", "removeCloudCopies", "localArchived", "cloudArchived",
                            "restoring", "restoredMetadata", "expiredToTrash"}) {
        QJsonObject missing = object;
        missing.remove(QLatin1String(key));
        EXPECT_NE(thrownMessage([&] { decodeDeletedNote(QJsonDocument(missing).toJson()); }), "")
            << key;
        QJsonObject wrong = object;
        wrong.insert(QLatin1String(key), QJsonArray());
        EXPECT_NE(thrownMessage([&] { decodeDeletedNote(QJsonDocument(wrong).toJson()); }), "")
            << key;
    }
    object.insert(QStringLiteral("originalURL"), QStringLiteral("https://x/n.capturenote"));
    EXPECT_NE(thrownMessage([&] { decodeDeletedNote(QJsonDocument(object).toJson()); }), "");
}

TEST(DeletedNoteTest, ABindingWhoseKeysCannotBeKeptIsRefused) {
    const QByteArray json = encodeDeletedNote(everyField());
    for (const char* key : {R"(we\"ird)", R"(tab\t)", R"(\u00e9t\u00e9)", R"(\udc00)"}) {
        QByteArray odd = json;
        odd.replace("\"enabled\"", QByteArray("\"") + key + "\"");
        EXPECT_NE(odd, json);
        EXPECT_NE(thrownMessage([&] { decodeDeletedNote(odd); }), "") << key;
    }
}

TEST(DeletedNoteTest, DerivedValues) {
    const DeletedNote e = everyField();
    EXPECT_EQ(e.expiresAt(), e.deletedAt + 2'592'000.0);
    EXPECT_EQ(e.cloudArchivePath(),
              QStringLiteral("Recently Deleted/0A1B2C3D-4E5F-4A6B-8C7D-8E9FA0B1C2D3"));
    EXPECT_TRUE(e.hasCloudReceipt());
    DeletedNote plain;
    EXPECT_FALSE(plain.hasCloudReceipt());
}

TEST(DeletedNoteTest, FileURLsKeepEveryByte) {
    for (const QString& path :
         {QStringLiteral("/a b/ü.capturenote"), QStringLiteral("/100%/x.capturenote"),
          decodeFileName("/raw\xff\xfe/n.capturenote")}) {
        EXPECT_EQ(pathOfFileURL(fileURLString(path)), path);
    }
    EXPECT_EQ(pathOfFileURL(QStringLiteral("file://localhost/x.capturenote")),
              QStringLiteral("/x.capturenote"));
    EXPECT_FALSE(pathOfFileURL(QStringLiteral("file:relative")));
    EXPECT_FALSE(pathOfFileURL(QStringLiteral("/plain/path")));
    EXPECT_FALSE(pathOfFileURL(QStringLiteral("file:///a%00b")));
}

} // namespace
} // namespace lumbex
