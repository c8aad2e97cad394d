// What a note row passes on to a voice session writing into its text: a composition opening, the
// person moving the cursor (by click or cursor key) and the field losing focus, only while a
// session follows the text.
#include "app/editor/note_row.h"
#include "support/temporary_folder.h"
#include "voice/voice_session.h"
#include "voice_test_notes.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class NoteRowVoiceTest : public testing::Test {
protected:
    void SetUp() override {
        document = test::noteWithLinkedText(folder.path(QStringLiteral("Notes")),
                                            QStringLiteral("Button"), noteID);
        row = std::make_unique<NoteRow>(noteID);
        row->refresh(document->note());
        row->onVoiceField = [this](VoiceFieldEvent event) { heard.push_back(event); };
        row->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(row.get()));
        text = row->findChild<QPlainTextEdit*>();
        ASSERT_TRUE(text);
    }

    // Every kind of event, in this order.
    void doEverything() {
        QTest::mouseClick(text->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
        QTest::keyClick(text, Qt::Key_End);
        QTest::keyClick(text, Qt::Key_A);
        QInputMethodEvent composing(QStringLiteral("ㅎ"), {});
        QApplication::sendEvent(text, &composing);
        QInputMethodEvent stillComposing(QStringLiteral("하"), {});
        QApplication::sendEvent(text, &stillComposing);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(text, &out);
    }

    test::TemporaryFolder folder;
    Id noteID;
    std::unique_ptr<NoteDocument> document;
    // Before the row: the row's focus leaving as it goes is heard too.
    std::vector<VoiceFieldEvent> heard;
    std::unique_ptr<NoteRow> row;
    QPlainTextEdit* text = nullptr;
};

TEST_F(NoteRowVoiceTest, AFollowingSessionHearsTheFieldsEvents) {
    // Made but not started: it prepares, and follows the text.
    auto session = VoiceSession::make(*document, noteID, {-1, 0}, QStringLiteral("en-US"), {});
    ASSERT_TRUE(session->tracksTextEdits());
    row->showVoice(session.get());
    doEverything();
    EXPECT_EQ(heard, (std::vector<VoiceFieldEvent>{
                         VoiceFieldEvent::MovedCursor, VoiceFieldEvent::MovedCursor,
                         VoiceFieldEvent::Composing, VoiceFieldEvent::LeftField}));
}

TEST_F(NoteRowVoiceTest, WithoutASessionNothingIsPassedOn) {
    row->showVoice(nullptr);
    doEverything();
    EXPECT_TRUE(heard.empty());
}

} // namespace
} // namespace lumbex
