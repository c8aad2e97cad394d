#include "library/library_thumbnail.h"
#include "model/image_files.h"
#include "support/library_notes.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

Mark rectangleOn(const Media& media) {
    Mark mark;
    mark.id = newId();
    mark.mediaID = media.id;
    mark.kind = MarkKind::Rectangle;
    mark.start = {2, 2};
    mark.end = {20, 14};
    return mark;
}

std::string failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return {};
}

TEST(LibraryThumbnailTest, KeyFollowsWhatThePreviewShows) {
    NotePackageContents contents = test::noteWithImage();
    CaptureNote& note = contents.note;
    note.marks.push_back(rectangleOn(note.media.front()));
    const QString base = LibraryThumbnail::make(note)->key;
    EXPECT_EQ(base.size(), 64);
    EXPECT_EQ(LibraryThumbnail::make(note)->key, base);

    CaptureNote moved = note;
    moved.marks.front().end = {21, 14};
    EXPECT_NE(LibraryThumbnail::make(moved)->key, base);

    CaptureNote numbered = note;
    numbered.notes.push_back(LinkedNote::make());
    numbered.notes.back().markID = numbered.marks.front().id;
    EXPECT_NE(LibraryThumbnail::make(numbered)->key, base);
    EXPECT_EQ(LibraryThumbnail::make(numbered)->numbers.at(numbered.marks.front().id), 1);

    CaptureNote cropped = note;
    cropped.media.front().crop = Rect{0, 0, 20, 20};
    EXPECT_NE(LibraryThumbnail::make(cropped)->key, base);

    // Text that is not drawn leaves the preview alone.
    CaptureNote retitled = note;
    retitled.title = QStringLiteral("Another title");
    retitled.general = QStringLiteral("More words");
    EXPECT_EQ(LibraryThumbnail::make(retitled)->key, base);
}

TEST(LibraryThumbnailTest, ShowsTheFirstCurrentImage) {
    NotePackageContents contents = test::noteWithImage();
    appendImage(contents, test::solidPng(10, 10), QStringLiteral("Second"));
    contents.note.media[0].role = MediaRole::Reference;
    contents.note.media[1].role = MediaRole::Current;
    EXPECT_EQ(LibraryThumbnail::make(contents.note)->media.id, contents.note.media[1].id);
    contents.note.media[1].role = MediaRole::After;
    EXPECT_EQ(LibraryThumbnail::make(contents.note)->media.id, contents.note.media[0].id);
}

TEST(LibraryThumbnailTest, NoThumbnailWithoutImagesOrForInvalidNotes) {
    EXPECT_FALSE(LibraryThumbnail::make(CaptureNote::make()));
    NotePackageContents contents = test::noteWithImage();
    contents.note.marks.push_back(rectangleOn(contents.note.media.front()));
    contents.note.marks.back().mediaID = newId();
    EXPECT_FALSE(LibraryThumbnail::make(contents.note));
}

TEST(LibraryThumbnailTest, RendersAtMost176PixelsWithMarks) {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    appendImage(contents, test::solidPng(400, 200, Qt::white), QStringLiteral("Wide"));
    const Media& media = contents.note.media.front();
    Mark mark = rectangleOn(media);
    mark.start = {100, 50};
    mark.end = {300, 150};
    contents.note.marks.push_back(mark);
    const LibraryThumbnail thumbnail = *LibraryThumbnail::make(contents.note);
    const QImage preview = thumbnail.render(contents.originals.at(media.id));
    EXPECT_EQ(preview.size(), QSize(176, 88));
    // The rectangle's left edge (x 100 of 400) is drawn; inside and outside it stay white.
    EXPECT_NE(preview.pixelColor(44, 44), QColor(Qt::white));
    EXPECT_EQ(preview.pixelColor(88, 44), QColor(Qt::white));
    EXPECT_EQ(preview.pixelColor(10, 10), QColor(Qt::white));
}

TEST(LibraryThumbnailTest, RenderRefusesBytesThatAreNotTheImage) {
    const NotePackageContents contents = test::noteWithImage();
    const LibraryThumbnail thumbnail = *LibraryThumbnail::make(contents.note);
    EXPECT_EQ(failure([&] { thumbnail.render(test::solidPng(40, 30, Qt::red)); }),
              "The preview source has changed.");

    // Bytes with the stored digest but another size: the note's record does not match.
    LibraryThumbnail resized = thumbnail;
    resized.media.width = 41;
    EXPECT_EQ(failure([&] { resized.render(contents.originals.begin()->second); }),
              "The preview source size does not match this note.");
}

TEST(LibraryThumbnailTest, RenderInPackageReadsTheAssetOrRefuses) {
    test::TemporaryFolder folder;
    const NotePackageContents contents = test::noteWithImage();
    const QString package = test::savePackage(folder.path(), contents, QStringLiteral("a"));
    const LibraryThumbnail thumbnail = *LibraryThumbnail::make(contents.note);
    EXPECT_EQ(thumbnail.render(package, std::nullopt).size(), QSize(40, 30));
    // Given bytes win over the file.
    EXPECT_EQ(failure([&] { thumbnail.render(package, test::solidPng(40, 30, Qt::red)); }),
              "The preview source has changed.");

    const QString asset =
        QDir(package).filePath(QStringLiteral("assets/") + thumbnail.media.filename());
    ASSERT_TRUE(QFile::resize(asset, 0));
    EXPECT_EQ(failure([&] { thumbnail.render(package, std::nullopt); }),
              "The preview source cannot be read.");
    ASSERT_TRUE(QFile::remove(asset));
    EXPECT_EQ(failure([&] { thumbnail.render(package, std::nullopt); }),
              "The preview source cannot be read.");
    ASSERT_TRUE(QFile::link(
        folder.write(QStringLiteral("elsewhere.png"), contents.originals.begin()->second), asset));
    EXPECT_EQ(failure([&] { thumbnail.render(package, std::nullopt); }),
              "The preview source cannot be read.");
}

} // namespace
} // namespace lumbex
