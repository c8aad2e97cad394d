#include "app/editor/request_summary.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

CaptureNote noteWithRequest(bool linkedImage) {
    CaptureNote note = CaptureNote::make();
    Media media;
    media.id = newId();
    media.width = 40;
    media.height = 30;
    media.sha256 = QString(64, u'0');
    media.includeInRequest = linkedImage;
    note.media.push_back(media);
    note.general = QStringLiteral("Make the title bold");
    return note;
}

TEST(RequestSummary, CountsAreSingularExactlyAtOne) {
    EXPECT_EQ(requestCounts(1, 1), "1 note · 1 image");
    EXPECT_EQ(requestCounts(0, 2), "0 notes · 2 images");
    EXPECT_EQ(previewSummary(2, 1, true), "2 notes · 1 image · Review only");
    EXPECT_EQ(previewSummary(1, 3, false), "1 note · 3 images · Make changes");
}

TEST(RequestSummary, TitleFollowsTheProjectFolder) {
    const CaptureNote note = noteWithRequest(true);
    const Id active = note.media.front().id;
    struct Row {
        ProjectFolderState folder;
        QString title;
        QString toolTipStart;
    };
    const Row rows[] = {
        {{QStringLiteral("/home/me/shop"), false},
         QStringLiteral("shop"),
         QStringLiteral("/home/me/shop\n")},
        {{std::nullopt, true},
         QStringLiteral("Reconnect project…"),
         QStringLiteral("The project folder is unavailable. Choose it again.\n")},
        {{std::nullopt, false},
         QStringLiteral("Choose project…"),
         QStringLiteral("Choose the project folder for this request\n")},
    };
    for (const Row& row : rows) {
        const RequestSummary summary = RequestSummary::make(note, active, row.folder, false);
        EXPECT_EQ(summary.title, row.title);
        EXPECT_TRUE(summary.toolTip.startsWith(row.toolTipStart)) << summary.toolTip.toStdString();
        EXPECT_TRUE(summary.toolTip.endsWith(QStringLiteral("1 note · 1 image")))
            << summary.toolTip.toStdString();
        EXPECT_TRUE(summary.canCopy);
    }
}

TEST(RequestSummary, ReviewOnlyIsNamedAndPreparingOrAnEmptyNoteCannotCopy) {
    CaptureNote note = noteWithRequest(true);
    const Id active = note.media.front().id;
    note.reviewOnly = true;
    const RequestSummary summary = RequestSummary::make(note, active, {}, false);
    EXPECT_TRUE(summary.toolTip.endsWith(QStringLiteral(" · Review only")))
        << summary.toolTip.toStdString();
    EXPECT_FALSE(RequestSummary::make(note, active, {}, true).canCopy);
    note.general.clear();
    EXPECT_FALSE(RequestSummary::make(note, active, {}, false).canCopy);
}

} // namespace
} // namespace lumbex
