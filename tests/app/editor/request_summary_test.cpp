#include "app/editor/request_summary.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

CaptureNote noteWithRequest() {
    CaptureNote note = CaptureNote::make();
    Media media;
    media.id = newId();
    media.width = 40;
    media.height = 30;
    media.sha256 = QString(64, u'0');
    media.includeInRequest = true;
    note.media.push_back(media);
    note.general = QStringLiteral("Make the title bold");
    return note;
}

TEST(RequestSummary, TitleFollowsTheProjectFolderAndOnlyAReadyNoteCanCopy) {
    CaptureNote note = noteWithRequest();
    const Id active = note.media.front().id;
    struct Row {
        ProjectFolderState folder;
        QString title;
    };
    const Row rows[] = {
        {{QStringLiteral("/home/me/shop"), false}, QStringLiteral("shop")},
        {{std::nullopt, true}, QStringLiteral("Reconnect project…")},
        {{std::nullopt, false}, QStringLiteral("Choose project…")},
    };
    for (const Row& row : rows) {
        const RequestSummary summary = RequestSummary::make(note, active, row.folder, false);
        EXPECT_EQ(summary.title, row.title);
        EXPECT_TRUE(summary.canCopy);
    }
    const RequestSummary shop = RequestSummary::make(note, active, rows[0].folder, false);
    EXPECT_EQ(shop.toolTip, QStringLiteral("/home/me/shop\n1 note · 1 image"));

    EXPECT_FALSE(RequestSummary::make(note, active, {}, true).canCopy) << "while preparing";
    note.general.clear();
    EXPECT_FALSE(RequestSummary::make(note, active, {}, false).canCopy) << "with nothing to ask";
}

} // namespace
} // namespace lumbex
