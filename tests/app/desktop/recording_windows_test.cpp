#include "app/commands/command_registry.h"
#include "app/desktop/practice_note.h"
#include "app/desktop/recording_windows.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/recording_ui/recording_player_panel.h"
#include "app/recording_ui/recording_window_controller.h"
#include "model/note_library.h"
#include "recording/recording_document.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr int kWait = 10'000;

// An editor of a note with a two-second recording, whose recording windows come from `windows`.
class RecordingWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::green, 2);
        editor = open(test::openRecordingNote(segments, folder.path("note.capturenote")));
        editor->onOpenRecording = [this](EditorWindow* window, std::optional<qint64> time) {
            asked.push_back(time);
            windows.open(*window, time);
        };
    }
    void TearDown() override {
        for (const QPointer<EditorWindow>& window : editors)
            if (window)
                window->close();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return std::all_of(editors.begin(), editors.end(), [](auto& w) { return !w; }); },
            kWait));
    }
    EditorWindow* open(std::unique_ptr<NoteDocument> document) {
        auto* window = new EditorWindow(std::move(document), settings, clipboard);
        window->show();
        editors.emplace_back(window);
        return window;
    }
    QAction* command(EditorWindow* window, const char* id) const {
        window->commands().refresh();
        return window->commands().action(QString::fromUtf8(id));
    }
    static std::vector<RecordingWindowController*> recordingWindows() {
        std::vector<RecordingWindowController*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<RecordingWindowController*>(widget))
                found.push_back(window);
        return found;
    }

    test::SegmentFolder segments;
    test::TemporaryFolder folder;
    QSettings settings{folder.path("settings.ini"), QSettings::IniFormat};
    ClipboardWatch clipboard;
    RecordingWindows windows;
    std::vector<QPointer<EditorWindow>> editors;
    EditorWindow* editor = nullptr;
    std::vector<std::optional<qint64>> asked;
};

TEST_F(RecordingWindowsTest, OpenRecordingNeedsARecordingAndTheApplication) {
    EXPECT_TRUE(command(editor, "editor.openRecording")->isEnabled());
    EXPECT_EQ(command(editor, "editor.openRecording")->text(), "Open Recording");

    NoteLibrary library(folder.path("Notes"), settings);
    EditorWindow* plain = open(makePracticeNote(library));
    plain->onOpenRecording = editor->onOpenRecording;
    EXPECT_FALSE(command(plain, "editor.openRecording")->isEnabled());
    EXPECT_FALSE(command(plain, "image.showInRecording")->isEnabled());
    editor->onOpenRecording = nullptr;
    EXPECT_FALSE(command(editor, "editor.openRecording")->isEnabled());
}

TEST_F(RecordingWindowsTest, OneWindowPerNoteClosingWithIt) {
    command(editor, "editor.openRecording")->trigger();
    command(editor, "editor.openRecording")->trigger();
    ASSERT_EQ(asked, (std::vector<std::optional<qint64>>{std::nullopt, std::nullopt}));
    const std::vector<RecordingWindowController*> opened = recordingWindows();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]->captureDocument(), &editor->document());
    EXPECT_TRUE(opened[0]->isVisible());

    QPointer<RecordingWindowController> window = opened[0];
    editor->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kWait));
}

TEST_F(RecordingWindowsTest, ShowInRecordingSeeksToTheFrame) {
    const Media& frame = editor->document().note().media.at(1);
    ASSERT_TRUE(frame.recordingFrame);
    const qint64 time = frame.recordingFrame->sourceTime;
    editor->setActiveMedia(frame.id);
    QAction* show = command(editor, "image.showInRecording");
    EXPECT_EQ(show->text(), "Show in Recording");
    ASSERT_TRUE(show->isEnabled());
    show->trigger();
    ASSERT_EQ(asked, (std::vector<std::optional<qint64>>{time}));
    ASSERT_EQ(recordingWindows().size(), 1u);
    RecordingPlayer& player = recordingWindows()[0]->playerPanel()->player();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !player.picture().isNull() && player.frame().sourceTime == time; }, kWait));
}

} // namespace
} // namespace lumbex
