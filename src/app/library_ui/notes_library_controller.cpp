#include "app/library_ui/notes_library_controller.h"

#include "app/library_ui/library_previews.h"
#include "app/library_ui/library_table_model.h"
#include "core/error.h"
#include "library/deleted_notes_store.h"
#include "model/note_document.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumbex {
namespace {

constexpr int kRowHeight = 64;

QString statusText(size_t shown, int unreadable) {
    QString text =
        QString::number(shown) + (shown == 1 ? QStringLiteral(" note") : QStringLiteral(" notes"));
    if (unreadable > 0)
        text +=
            QStringLiteral(" · ") + QString::number(unreadable) + QStringLiteral(" unavailable");
    return text;
}

QString standardPath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

NotesLibraryController::NotesLibraryController(QString library, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window), library_(std::move(library)), hooks_(std::move(hooks)) {
    loader_.setMaxThreadCount(1);
    previews_ = new LibraryPreviews(this);
    model_ = new LibraryTableModel(*previews_, this);
    build();
    buildActions();
    filter();
}

NotesLibraryController::~NotesLibraryController() {
    generation_ = QUuid();
    loader_.waitForDone();
}

void NotesLibraryController::build() {
    setWindowTitle(QStringLiteral("Saved Notes"));
    resize(720, 560);

    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QStringLiteral("Search saved notes…"));
    search_->setToolTip(
        QStringLiteral("Search titles, notes, voice transcripts and recognized text"));
    search_->setClearButtonEnabled(true);
    connect(search_, &QLineEdit::textChanged, this, [this] { filter(); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { openSelected(); });
    search_->installEventFilter(this);

    resultHeading_ = new QLabel(this);
    QFont heading = resultHeading_->font();
    heading.setBold(true);
    resultHeading_->setFont(heading);

    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setIconSize(QSize(LibraryTableModel::kPreviewSide, LibraryTableModel::kPreviewSide));
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table_->horizontalHeader()->setSectionResizeMode(LibraryTableModel::PreviewColumn,
                                                     QHeaderView::Fixed);
    table_->horizontalHeader()->resizeSection(LibraryTableModel::PreviewColumn,
                                              LibraryTableModel::kPreviewSide + 16);
    table_->horizontalHeader()->setSectionResizeMode(LibraryTableModel::NoteColumn,
                                                     QHeaderView::Stretch);
    // Sized once from a sample date: fitting the column to its contents would format the
    // dates of a thousand rows on every keystroke.
    table_->horizontalHeader()->setSectionResizeMode(LibraryTableModel::DateColumn,
                                                     QHeaderView::Fixed);
    table_->horizontalHeader()->resizeSection(
        LibraryTableModel::DateColumn,
        table_->fontMetrics().horizontalAdvance(LibraryTableModel::dateText(now()) +
                                                QStringLiteral("00")) +
            16);
    connect(table_, &QTableView::activated, this, [this] { openSelected(); });
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { scheduleVisiblePreviews(); });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const LibraryEntry* entry = selected();
        selectedPath_ = entry ? entry->url : QString();
        updateActions();
    });

    emptyLabel_ = new QLabel(this);
    emptyLabel_->setAlignment(Qt::AlignCenter);
    status_ = new QLabel(this);

    openButton_ = new QPushButton(QStringLiteral("Open"), this);
    openButton_->setDefault(true);
    connect(openButton_, &QPushButton::clicked, this, [this] { openSelected(); });
    actionsButton_ = new QToolButton(this);
    actionsButton_->setText(QStringLiteral("Actions"));
    actionsButton_->setToolTip(QStringLiteral("Actions for the selected note · Ctrl+K"));
    actionsButton_->setPopupMode(QToolButton::InstantPopup);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setToolTip(QStringLiteral("Close saved notes"));
    close->setAccessibleName(QStringLiteral("Close saved notes"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(actionsButton_);
    buttons->addWidget(close);
    buttons->addWidget(openButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addWidget(resultHeading_);
    layout->addWidget(table_, 1);
    layout->addWidget(emptyLabel_, 1);
    layout->addLayout(buttons);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void NotesLibraryController::buildActions() {
    actionsMenu_ = new QMenu(this);
    QAction* open = actionsMenu_->addAction(QStringLiteral("Open Note"));
    connect(open, &QAction::triggered, this, [this] { openSelected(); });
    QAction* reveal = actionsMenu_->addAction(QStringLiteral("Show in Files"));
    connect(reveal, &QAction::triggered, this, [this] { revealSelected(); });
    QAction* remove = actionsMenu_->addAction(QStringLiteral("Move to Recently Deleted…"));
    connect(remove, &QAction::triggered, this, [this] {
        if (const LibraryEntry* entry = selected(); entry && hooks_.moveToRecentlyDeleted)
            hooks_.moveToRecentlyDeleted(*entry);
    });
    actionsMenu_->addSeparator();
    QAction* deleted = actionsMenu_->addAction(QStringLiteral("Recently Deleted…"));
    deleted->setEnabled(bool(hooks_.showRecentlyDeleted));
    connect(deleted, &QAction::triggered, this, [this] {
        if (hooks_.showRecentlyDeleted)
            hooks_.showRecentlyDeleted();
    });
    QAction* refresh = actionsMenu_->addAction(QStringLiteral("Refresh Notes"));
    connect(refresh, &QAction::triggered, this, [this] { refreshNotes(); });
    actionsButton_->setMenu(actionsMenu_);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_K), this);
    connect(shortcut, &QShortcut::activated, actionsButton_, &QToolButton::showMenu);
    connect(actionsMenu_, &QMenu::aboutToShow, this, [this] { updateActions(); });
    updateActions();
}

void NotesLibraryController::updateActions() {
    const bool has = selected() != nullptr;
    openButton_->setEnabled(has);
    const QList<QAction*> actions = actionsMenu_->actions();
    actions[0]->setEnabled(has);
    actions[1]->setEnabled(has);
    actions[2]->setEnabled(has && bool(hooks_.moveToRecentlyDeleted));
}

void NotesLibraryController::present() {
    if (hooks_.openDocuments)
        for (NoteDocument* document : hooks_.openDocuments())
            watch(document);
    if (!loadedOnce_ && !loading_)
        refreshNotes();
    show();
    raise();
    activateWindow();
    search_->setFocus();
    scheduleVisiblePreviews();
}

void NotesLibraryController::refreshNotes() {
    generation_ = QUuid::createUuid();
    loading_ = true;
    updateLabels();
    const QStringList recent = hooks_.recentURLs ? hooks_.recentURLs() : QStringList();
    // The destructor waits for this work, so `this` outlives it; a result posted to a window
    // that is gone by then is dropped with it.
    loader_.start([this, generation = generation_, root = library_, recent] {
        LibraryContents contents;
        std::optional<QString> error;
        try {
            contents = NotesLibrary::load(root, recent);
        } catch (const LumbexError& failure) {
            error = failure.message();
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, contents = std::move(contents), error] {
                apply(generation, contents, error);
            },
            Qt::QueuedConnection);
    });
}

void NotesLibraryController::apply(const QUuid& generation, const LibraryContents& contents,
                                   const std::optional<QString>& error) {
    if (generation != generation_)
        return;
    loading_ = false;
    loadedOnce_ = true;
    loadError_ = error;
    entries_ = contents.entries;
    unreadable_ = contents.unreadable;
    // What the open documents hold is newer than their packages on disk.
    for (const QPointer<NoteDocument>& document : watched_)
        if (document)
            replaceOpenEntry(*document);
    filter();
    emit loaded();
}

void NotesLibraryController::watch(NoteDocument* document) {
    if (!document)
        return;
    for (const QPointer<NoteDocument>& known : watched_)
        if (known == document)
            return;
    std::erase_if(watched_, [](const QPointer<NoteDocument>& known) { return known.isNull(); });
    watched_.emplace_back(document);
    const auto replace = [this, document] {
        replaceOpenEntry(*document);
        filter();
    };
    connect(document, &NoteDocument::noteSaved, this, replace);
    connect(document, &NoteDocument::noteChanged, this, replace);
}

void NotesLibraryController::replaceOpenEntry(const NoteDocument& document) {
    if (document.filePath().isEmpty())
        return;
    const QString path = standardPath(document.filePath());
    if (DeletedNotesStore(library_).contains(path))
        return;
    LibraryEntry entry = LibraryEntry::make(document.note(), path);
    const auto known = std::find_if(entries_.begin(), entries_.end(), [&](const LibraryEntry& e) {
        return standardPath(e.url) == path;
    });
    if (known != entries_.end())
        *known = std::move(entry);
    else
        entries_.push_back(std::move(entry));
    NotesLibrary::sortEntries(entries_);
}

void NotesLibraryController::filter() {
    previews_->newGeneration();
    // By path: the rows may point into entries that were just replaced.
    const QString keep = selectedPath_;
    const QString query = search_->text();
    const QStringList words = LibraryEntry::queryWords(query);
    std::vector<const LibraryEntry*> shown;
    shown.reserve(entries_.size());
    for (const LibraryEntry& entry : entries_)
        if (entry.matches(words))
            shown.push_back(&entry);
    model_->reset(std::move(shown), query);
    const int row = keep.isEmpty() ? -1 : model_->rowOf(keep);
    select(row >= 0 ? row : 0);
    updateLabels();
    scheduleVisiblePreviews();
}

void NotesLibraryController::updateLabels() {
    const bool query = !search_->text().trimmed().isEmpty();
    resultHeading_->setText(query ? QStringLiteral("Results") : QStringLiteral("Recent"));
    const int shown = model_->rowCount();
    if (loading_) {
        status_->setText(QStringLiteral("Loading notes…"));
    } else if (loadError_) {
        status_->setText(*loadError_);
    } else {
        status_->setText(statusText(size_t(shown), unreadable_));
    }
    const bool empty = shown == 0 && !loading_;
    emptyLabel_->setText(entries_.empty() ? QStringLiteral("No saved notes yet")
                                          : QStringLiteral("No matching notes"));
    emptyLabel_->setVisible(empty);
    table_->setVisible(!empty);
}

void NotesLibraryController::scheduleVisiblePreviews() {
    if (previewsScheduled_)
        return;
    previewsScheduled_ = true;
    // After the view has laid out its rows, so that the visible ones are known.
    QTimer::singleShot(0, this, [this] {
        previewsScheduled_ = false;
        requestVisiblePreviews();
    });
}

void NotesLibraryController::requestVisiblePreviews() {
    const int rows = model_->rowCount();
    if (rows == 0 || !isVisible())
        return;
    int first = table_->rowAt(0);
    int last = table_->rowAt(table_->viewport()->height() - 1);
    if (first < 0)
        first = 0;
    if (last < 0)
        last = std::min(rows, table_->viewport()->height() / kRowHeight + 1) - 1;
    for (int row = first; row <= last && row < rows; ++row) {
        const LibraryEntry* entry = model_->entry(row);
        if (!entry->thumbnail)
            continue;
        std::optional<QByteArray> original;
        if (const NoteDocument* document = openDocument(entry->url)) {
            const auto& originals = document->contents().originals;
            if (const auto found = originals.find(entry->thumbnail->media.id);
                found != originals.end())
                original = found->second;
        }
        previews_->request(*entry, std::move(original));
    }
}

void NotesLibraryController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    scheduleVisiblePreviews();
}

bool NotesLibraryController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            const QModelIndexList rows = table_->selectionModel()->selectedRows();
            const int current = rows.isEmpty() ? -1 : rows.first().row();
            const int next =
                std::clamp(current + (key == Qt::Key_Down ? 1 : -1), 0, model_->rowCount() - 1);
            select(next);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

NoteDocument* NotesLibraryController::openDocument(const QString& path) const {
    const QString wanted = standardPath(path);
    for (const QPointer<NoteDocument>& document : watched_)
        if (document && !document->filePath().isEmpty() &&
            standardPath(document->filePath()) == wanted)
            return document;
    return nullptr;
}

const LibraryEntry* NotesLibraryController::selected() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : model_->entry(rows.first().row());
}

void NotesLibraryController::select(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        table_->clearSelection();
        updateActions();
        return;
    }
    table_->selectRow(row);
    table_->scrollTo(model_->index(row, 0));
}

void NotesLibraryController::openSelected() {
    if (const LibraryEntry* entry = selected(); entry && hooks_.open)
        hooks_.open(entry->url);
}

void NotesLibraryController::revealSelected() {
    if (const LibraryEntry* entry = selected(); entry && hooks_.reveal)
        hooks_.reveal({entry->url});
}

} // namespace lumbex
