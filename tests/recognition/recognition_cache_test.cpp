#include "model/image_content.h"
#include "model/image_files.h"
#include "recognition/recognition_cache.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const RecognitionResult kRead{{{QStringLiteral("world"), {0.5, 0.1, 0.2, 0.1}},
                               {QStringLiteral("hello"), {0.1, 0.1, 0.2, 0.1}}},
                              {}};

class RecognitionCacheTest : public ::testing::Test {
protected:
    test::TemporaryFolder library;
    std::unique_ptr<NoteDocument> document =
        NoteDocument::fromImageData(test::solidPng(60, 40), QStringLiteral("shot"), library.path());
    const Media& image() const { return document->note().media.front(); }
    QString key() const { return imageKey(document->note(), image()); }
};

TEST_F(RecognitionCacheTest, KeepsTheReadingTextUnderTheKeyWithoutAnUndoStep) {
    storeRecognition(*document, image().id, key(), kRead);
    ASSERT_TRUE(image().recognition.has_value());
    EXPECT_EQ(image().recognition->imageKey, key());
    EXPECT_EQ(image().recognition->text, "hello world");
    EXPECT_EQ(document->undoStack().count(), 0);
    EXPECT_EQ(cachedText(document->note(), image()), std::optional<QString>("hello world"));
}

TEST_F(RecognitionCacheTest, AKeyThatNoLongerMatchesIsNotKept) {
    const QString before = key();
    document->change(QStringLiteral("Add Annotation"), [](CaptureNote& note) {
        Mark mark = makeMark(MarkKind::Redact, {1, 1}, {20, 20});
        mark.mediaID = note.media.front().id;
        note.marks.push_back(mark);
    });
    storeRecognition(*document, image().id, before, kRead);
    EXPECT_FALSE(image().recognition.has_value());
}

TEST_F(RecognitionCacheTest, AnImageThatIsGoneGetsNoCache) {
    const CaptureNote before = document->note();
    storeRecognition(*document, newId(), key(), kRead);
    EXPECT_EQ(document->note(), before);
}

TEST_F(RecognitionCacheTest, CachedTextOnlyWhileTheKeyMatches) {
    CaptureNote note = document->note();
    note.media.front().recognition = RecognitionCache{key(), QStringLiteral("cached")};
    EXPECT_EQ(cachedText(note, note.media.front()), std::optional<QString>("cached"));

    Mark arrow = makeMark(MarkKind::Arrow, {1, 1}, {20, 20});
    arrow.mediaID = note.media.front().id;
    note.marks.push_back(arrow);
    EXPECT_EQ(cachedText(note, note.media.front()), std::optional<QString>("cached"));

    Mark redaction = makeMark(MarkKind::Redact, {1, 1}, {20, 20});
    redaction.mediaID = note.media.front().id;
    note.marks.push_back(redaction);
    EXPECT_EQ(cachedText(note, note.media.front()), std::nullopt);
}

} // namespace
} // namespace lumbex
