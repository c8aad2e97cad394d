#pragma once

#include "library/notes_library.h"

#include <QPointer>
#include <QThreadPool>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;

namespace lumbex {

class LibraryPreviews;
class LibraryTableModel;
class NoteDocument;

// The window that lists every saved note (the library folder and the notes opened recently
// elsewhere), searches them as you type, shows their previews, and opens, reveals or deletes the
// selected one. Loading and preview rendering run off the GUI thread; typing only filters the
// entries in memory.
class NotesLibraryController : public QWidget {
    Q_OBJECT
public:
    // What the application supplies; empty deletion hooks leave their actions disabled.
    struct Hooks {
        // Opens a package in an editor.
        std::function<void(const QString& path)> open;
        // The packages opened recently (wherever they are).
        std::function<QStringList()> recentURLs;
        // The documents open now, whose live notes replace what is on disk.
        std::function<std::vector<NoteDocument*>()> openDocuments;
        // Shows packages in the file manager.
        std::function<bool(const QStringList& paths)> reveal;
        // Asks to move the entry's note to Recently Deleted.
        std::function<void(const LibraryEntry& entry)> moveToRecentlyDeleted;
        // Shows the Recently Deleted window.
        std::function<void()> showRecentlyDeleted;
    };

    NotesLibraryController(QString library, Hooks hooks, QWidget* parent = nullptr);
    ~NotesLibraryController() override;

    // Shows the window (loading the notes the first time), raised and focused on the search.
    void present();
    // Reads the notes again in the background; the newest load wins. Also the answer to a change
    // of Recently Deleted (a note moved there or restored).
    void refreshNotes();
    // Follows an open document: its saves and changes replace its entry without reading disk.
    void watch(NoteDocument* document);
    // Rebuilds the entry of an open document from its live note.
    void replaceOpenEntry(const NoteDocument& document);

    QLineEdit& search() const { return *search_; }
    QTableView& table() const { return *table_; }
    QLabel& status() const { return *status_; }
    QLabel& resultHeading() const { return *resultHeading_; }
    QLabel& emptyLabel() const { return *emptyLabel_; }
    QMenu& actionsMenu() const { return *actionsMenu_; }
    const LibraryTableModel& model() const { return *model_; }
    const LibraryPreviews& previews() const { return *previews_; }
    bool isLoading() const { return loading_; }

signals:
    // A load was applied to the list.
    void loaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Up and Down in the search field move the selection.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildActions();
    void apply(const QUuid& generation, const LibraryContents& contents,
               const std::optional<QString>& error);
    void filter();
    void updateLabels();
    void requestVisiblePreviews();
    void scheduleVisiblePreviews();
    const LibraryEntry* selected() const;
    void select(int row);
    void openSelected();
    void revealSelected();
    void updateActions();
    NoteDocument* openDocument(const QString& path) const;

    QString library_;
    Hooks hooks_;
    QLineEdit* search_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QToolButton* actionsButton_ = nullptr;
    QMenu* actionsMenu_ = nullptr;
    QLabel* resultHeading_ = nullptr;
    QLabel* emptyLabel_ = nullptr;
    LibraryPreviews* previews_ = nullptr;
    LibraryTableModel* model_ = nullptr;

    // The rows of the model point into these: every change is followed by filter().
    std::vector<LibraryEntry> entries_;
    QString selectedPath_;
    QUuid generation_;
    int unreadable_ = 0;
    bool loading_ = false;
    bool loadedOnce_ = false;
    std::optional<QString> loadError_;
    std::vector<QPointer<NoteDocument>> watched_;
    bool previewsScheduled_ = false;
    // One load at a time runs here; a newer one supersedes its result.
    QThreadPool loader_;
};

} // namespace lumbex
