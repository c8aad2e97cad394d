#include "app/library_ui/library_previews.h"
#include "app/library_ui/library_table_model.h"
#include "app/library_ui/notes_library_controller.h"
#include "library/library_entry.h"
#include "library/notes_library.h"
#include "model/note_document.h"
#include "support/event_waiting.h"
#include "support/library_notes.h"
#include "support/temporary_folder.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class NotesLibraryWindowTest : public ::testing::Test {
protected:
    test::TemporaryFolder home;
    QString root = home.path(QStringLiteral("Notes"));
    QStringList opened;
    QStringList recent;
    std::vector<NoteDocument*> documents;

    void SetUp() override { makeFolders(root); }

    QString save(const QString& title, Date modifiedAt, const QString& general) {
        NotePackageContents contents = test::noteWithImage(general);
        contents.note.title = title;
        contents.note.modifiedAt = modifiedAt;
        return test::savePackage(root, contents, title);
    }

    std::unique_ptr<NotesLibraryController> window() {
        NotesLibraryController::Hooks hooks;
        hooks.open = [this](const QString& path) { opened.append(path); };
        hooks.recentURLs = [this] { return recent; };
        hooks.openDocuments = [this] { return documents; };
        auto controller = std::make_unique<NotesLibraryController>(root, std::move(hooks));
        return controller;
    }

    static bool waitLoaded(NotesLibraryController& controller) {
        return test::processEventsUntil([&] { return !controller.isLoading(); }, 20000);
    }

    static QStringList rows(const NotesLibraryController& controller) {
        QStringList out;
        const LibraryTableModel& model = controller.model();
        for (int row = 0; row < model.rowCount(); ++row)
            out.append(model.entry(row)->title + u'|' +
                       model
                           .data(model.index(row, LibraryTableModel::NoteColumn),
                                 LibraryTableModel::ExcerptRole)
                           .toString());
        return out;
    }
};

TEST_F(NotesLibraryWindowTest, TypingFiltersRowsAndUpdatesTheStatus) {
    save(QStringLiteral("Checkout"), 300, QStringLiteral("Login fails at the CAFE page"));
    save(QStringLiteral("Header"), 200, QStringLiteral("Logo is blurry"));
    save(QStringLiteral("Footer"), 100, QString());
    test::writeBarePackage(root, QStringLiteral("broken"), QByteArray("not json"));

    const auto controller = window();
    controller->present();
    EXPECT_EQ(controller->status().text(), QStringLiteral("Loading notes…"));
    ASSERT_TRUE(waitLoaded(*controller));
    EXPECT_EQ(controller->status().text(), QStringLiteral("3 notes · 1 unavailable"));
    EXPECT_EQ(controller->resultHeading().text(), QStringLiteral("Recent"));
    EXPECT_EQ(rows(*controller),
              QStringList({QStringLiteral("Checkout|Login fails at the CAFE page"),
                           QStringLiteral("Header|Logo is blurry"),
                           QStringLiteral("Footer|No description")}));
    EXPECT_EQ(controller->search().placeholderText(), QStringLiteral("Search saved notes…"));
    EXPECT_EQ(controller->search().toolTip(),
              QStringLiteral("Search titles, notes, voice transcripts and recognized text"));
    EXPECT_EQ(controller->table().verticalHeader()->defaultSectionSize(), 64);

    // Typed key by key; QTest spells only ASCII keys, so é comes as its own key event.
    QTest::keyClicks(&controller->search(), QStringLiteral("caf"));
    QTest::sendKeyEvent(QTest::Click, &controller->search(), Qt::Key_Eacute, QStringLiteral("é"),
                        Qt::NoModifier);
    QTest::keyClicks(&controller->search(), QStringLiteral(" login"));
    EXPECT_EQ(controller->search().text(), QStringLiteral("café login"));
    EXPECT_EQ(rows(*controller),
              QStringList({QStringLiteral("Checkout|Note: Login fails at the CAFE page")}));
    EXPECT_EQ(controller->status().text(), QStringLiteral("1 note · 1 unavailable"));
    EXPECT_EQ(controller->resultHeading().text(), QStringLiteral("Results"));
    EXPECT_TRUE(controller->emptyLabel().isHidden());

    controller->search().setText(QStringLiteral("nothing like this"));
    EXPECT_TRUE(rows(*controller).isEmpty());
    EXPECT_FALSE(controller->emptyLabel().isHidden());
    EXPECT_EQ(controller->emptyLabel().text(), QStringLiteral("No matching notes"));
    EXPECT_EQ(controller->status().text(), QStringLiteral("0 notes · 1 unavailable"));

    controller->search().setText(QStringLiteral("logo"));
    QTest::keyClick(&controller->search(), Qt::Key_Return);
    EXPECT_EQ(opened, QStringList({root + QStringLiteral("/Header.capturenote")}));

    // Up and Down in the search field choose the row Return opens, stopping at the ends. The
    // selection (Header) is kept when the query is cleared.
    controller->search().clear();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&controller->search(), Qt::Key_Down);
    QTest::keyClick(&controller->search(), Qt::Key_Return);
    EXPECT_EQ(opened.last(), root + QStringLiteral("/Footer.capturenote"));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&controller->search(), Qt::Key_Up);
    QTest::keyClick(&controller->search(), Qt::Key_Return);
    EXPECT_EQ(opened.last(), root + QStringLiteral("/Checkout.capturenote"));
}

TEST_F(NotesLibraryWindowTest, EmptyLibrarySaysSo) {
    const auto controller = window();
    controller->present();
    ASSERT_TRUE(waitLoaded(*controller));
    EXPECT_EQ(controller->emptyLabel().text(), QStringLiteral("No saved notes yet"));
    EXPECT_FALSE(controller->emptyLabel().isHidden());
    EXPECT_EQ(controller->status().text(), QStringLiteral("0 notes"));
}

TEST_F(NotesLibraryWindowTest, PreviewsAreRenderedOffTheGuiThreadOrShowThePlaceholder) {
    save(QStringLiteral("Good"), 200, QString());
    NotePackageContents invalid = test::noteWithImage();
    invalid.note.title = QStringLiteral("Invalid");
    invalid.note.modifiedAt = 100;
    Mark stray;
    stray.id = newId();
    stray.mediaID = newId();
    invalid.note.marks.push_back(stray);
    test::writeBarePackage(root, QStringLiteral("invalid"), encodeNoteJson(invalid.note));

    const auto controller = window();
    controller->present();
    ASSERT_TRUE(waitLoaded(*controller));
    const LibraryTableModel& model = controller->model();
    const QModelIndex good = model.index(0, LibraryTableModel::PreviewColumn);
    const QModelIndex bad = model.index(1, LibraryTableModel::PreviewColumn);
    EXPECT_EQ(model.data(bad, Qt::ToolTipRole).toString(),
              QStringLiteral("Preview unavailable. Open the note for details."));
    EXPECT_FALSE(model.data(bad, Qt::DecorationRole).value<QImage>().isNull());
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !model.data(good, Qt::DecorationRole).value<QImage>().isNull(); }, 20000));
    EXPECT_EQ(model.data(good, Qt::DisplayRole).toString(), QString());
    EXPECT_EQ(controller->previews().renderedCount(), 1);
}

TEST_F(NotesLibraryWindowTest, PreviewsOfAnOlderGenerationAreDropped) {
    const QString path = save(QStringLiteral("Shot"), 100, QString());
    const LibraryEntry entry = LibraryEntry::make(NotesLibrary::readNote(path), path);
    LibraryPreviews previews;
    previews.request(entry, std::nullopt);
    previews.newGeneration();
    test::processEventsFor(300);
    EXPECT_EQ(previews.renderedCount(), 0);
    EXPECT_EQ(previews.state(entry), LibraryPreviews::State::Preparing);

    previews.request(entry, std::nullopt);
    ASSERT_TRUE(test::processEventsUntil([&] { return previews.renderedCount() == 1; }, 20000));
    QImage image;
    EXPECT_EQ(previews.state(entry, &image), LibraryPreviews::State::Ready);
    EXPECT_EQ(image.size(), QSize(40, 30));
}

TEST_F(NotesLibraryWindowTest, AFailedPreviewLeavesThePlaceholder) {
    const QString path = save(QStringLiteral("Shot"), 100, QString());
    const LibraryEntry entry = LibraryEntry::make(NotesLibrary::readNote(path), path);
    LibraryPreviews previews;
    // The open document's bytes are not the image the note names.
    previews.request(entry, test::solidPng(40, 30, Qt::red));
    ASSERT_TRUE(test::processEventsUntil([&] { return previews.renderedCount() == 1; }, 20000));
    EXPECT_EQ(previews.state(entry), LibraryPreviews::State::Unavailable);
}

TEST_F(NotesLibraryWindowTest, OpenDocumentsUpdateTheirEntryWithoutReadingDisk) {
    const QString path = save(QStringLiteral("Draft"), 100, QStringLiteral("first words"));
    std::unique_ptr<NoteDocument> document = NoteDocument::open(path);
    documents.push_back(document.get());
    const auto controller = window();
    controller->present();
    ASSERT_TRUE(waitLoaded(*controller));

    document->change(QStringLiteral("Edit Note"),
                     [](CaptureNote& note) { note.general = QStringLiteral("second thoughts"); });
    controller->search().setText(QStringLiteral("second"));
    EXPECT_EQ(rows(*controller), QStringList({QStringLiteral("Draft|Note: second thoughts")}));
    controller->search().setText(QStringLiteral("first"));
    EXPECT_TRUE(rows(*controller).isEmpty());
    document->close();
}

TEST_F(NotesLibraryWindowTest, OpenNotesPreviewFromTheirDocumentsBytes) {
    const QString path = save(QStringLiteral("Open"), 100, QString());
    std::unique_ptr<NoteDocument> document = NoteDocument::open(path);
    documents.push_back(document.get());
    // The file on disk is gone; the document still holds the image.
    QDir(path + QStringLiteral("/assets")).removeRecursively();
    const auto controller = window();
    controller->present();
    ASSERT_TRUE(waitLoaded(*controller));
    const LibraryTableModel& model = controller->model();
    const QModelIndex preview = model.index(0, LibraryTableModel::PreviewColumn);
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !model.data(preview, Qt::DecorationRole).value<QImage>().isNull(); }, 20000));
    EXPECT_EQ(model.data(preview, Qt::ToolTipRole), QVariant());
    document->close();
}

TEST_F(NotesLibraryWindowTest, ANewNoteAppearsWhenItsDocumentSaves) {
    save(QStringLiteral("Old"), 100, QString());
    const auto controller = window();
    controller->present();
    ASSERT_TRUE(waitLoaded(*controller));
    std::unique_ptr<NoteDocument> document =
        NoteDocument::fromImageData(test::solidPng(30, 20), QStringLiteral("Fresh"), root);
    controller->watch(document.get());
    document->change(QStringLiteral("Edit Note"),
                     [](CaptureNote& note) { note.general = QStringLiteral("brand new words"); });
    // Not saved yet: nothing to list.
    EXPECT_EQ(controller->status().text(), QStringLiteral("1 note"));
    bool saved = false;
    document->save([&](const std::optional<QString>& error) { saved = !error; });
    ASSERT_TRUE(test::processEventsUntil([&] { return saved; }, 20000));
    EXPECT_EQ(controller->status().text(), QStringLiteral("2 notes"));
    controller->search().setText(QStringLiteral("brand new"));
    EXPECT_EQ(rows(*controller).size(), 1);
    document->close();
}

TEST_F(NotesLibraryWindowTest, ActionsMenuAndEscape) {
    save(QStringLiteral("One"), 100, QString());
    const auto controller = window();
    controller->present();
    ASSERT_TRUE(waitLoaded(*controller));
    QStringList titles;
    for (QAction* action : controller->actionsMenu().actions())
        if (!action->isSeparator())
            titles.append(action->text());
    EXPECT_EQ(titles,
              QStringList({QStringLiteral("Open Note"), QStringLiteral("Show in Files"),
                           QStringLiteral("Move to Recently Deleted…"),
                           QStringLiteral("Recently Deleted…"), QStringLiteral("Refresh Notes")}));
    // No deletion flow was supplied.
    EXPECT_FALSE(controller->actionsMenu().actions()[2]->isEnabled());
    controller->actionsMenu().actions()[0]->trigger();
    EXPECT_EQ(opened.size(), 1);

    save(QStringLiteral("Two"), 200, QString());
    controller->refreshNotes();
    ASSERT_TRUE(waitLoaded(*controller));
    EXPECT_EQ(controller->status().text(), QStringLiteral("2 notes"));

    EXPECT_TRUE(controller->isVisible());
    QTest::keyClick(&controller->search(), Qt::Key_Escape);
    EXPECT_FALSE(controller->isVisible());
}

} // namespace
} // namespace lumbex
