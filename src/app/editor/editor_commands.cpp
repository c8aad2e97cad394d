#include "app/editor/editor_commands.h"

#include "app/editor/annotation_editor.h"
#include "app/editor/canvas_zoom.h"
#include "app/editor/editor_context.h"
#include "app/editor/image_commands.h"
#include "app/editor/output_commands.h"
#include "app/editor/request_flow.h"
#include "app/editor/side_panel_binding.h"
#include "app/editor/text_reading.h"
#include "canvas/canvas_view.h"
#include "model/note_coding.h"
#include "model/note_document.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUndoStack>

namespace lumbex {
namespace {

struct MenuLayout {
    QString title;
    QStringList ids;
};

const std::vector<MenuLayout>& menuBarLayout() {
    static const std::vector<MenuLayout> menus{
        {QStringLiteral("&File"),
         {QStringLiteral("editor.importImage"), QStringLiteral("editor.save"),
          QStringLiteral("editor.rename"), QStringLiteral("editor.exportImage"),
          QStringLiteral("editor.exportReviewPdf"), QStringLiteral("editor.syncSettings"),
          QStringLiteral("editor.openRecording"), QString(), QStringLiteral("editor.deleteNote"),
          QString(), QStringLiteral("editor.close")}},
        {QStringLiteral("&Edit"),
         {QStringLiteral("editor.undo"), QStringLiteral("editor.redo"), QString(),
          QStringLiteral("editor.cut"), QStringLiteral("editor.copy"),
          QStringLiteral("editor.paste"), QString(), QStringLiteral("editor.copyImage"),
          QStringLiteral("editor.copyForAgent"), QStringLiteral("editor.copyColor"), QString(),
          QStringLiteral("editor.extractText"), QStringLiteral("editor.extractSelectedText"),
          QStringLiteral("editor.readQRCode")}},
        {QStringLiteral("&Annotation"),
         {QStringLiteral("editor.addCenteredNote"), QStringLiteral("editor.editNoteText"),
          QStringLiteral("editor.selectNextAnnotation"),
          QStringLiteral("editor.selectPreviousAnnotation"), QStringLiteral("editor.duplicate"),
          QStringLiteral("editor.deleteAnnotation"), QStringLiteral("editor.restoreFullImage")}},
        {QStringLiteral("&View"),
         {QStringLiteral("editor.zoomIn"), QStringLiteral("editor.zoomOut"),
          QStringLiteral("editor.actualPixels"), QStringLiteral("editor.fitImage"),
          QStringLiteral("editor.zoomToSelection"), QStringLiteral("editor.pixelLoupe"),
          QStringLiteral("editor.pinImage"), QString(), QStringLiteral("editor.showInspector")}},
    };
    return menus;
}

// Of these, the context menu shows the ones that apply to the mark under the pointer.
const QStringList& contextMenuLayout() {
    static const QStringList ids{
        QStringLiteral("editor.editNoteText"), QStringLiteral("editor.deleteAnnotation"),
        QStringLiteral("editor.shareImage"), QStringLiteral("editor.restoreFullImage")};
    return ids;
}

const QStringList& requestMenuLayout() {
    static const QStringList ids{
        QStringLiteral("request.chooseProjectFolder"), QStringLiteral("request.review"),
        QStringLiteral("request.reviewOnly"), QStringLiteral("request.showLastPreparedFiles")};
    return ids;
}

bool clipboardOffersImage(const QMimeData* data) {
    return data && (data->hasImage() || data->hasFormat(QStringLiteral("image/png")) ||
                    data->hasFormat(QStringLiteral("image/tiff")) || data->hasUrls());
}

bool clipboardOffersAnnotation() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(kAnnotationClipboardType);
}

// "Rename Note…": the title typed, trimmed; an empty one changes nothing.
void renameNote(EditorContext& context) {
    bool accepted = false;
    const QString title = QInputDialog::getText(&context.window(), QStringLiteral("Rename Note"),
                                                QStringLiteral("Note title"), QLineEdit::Normal,
                                                context.note().title, &accepted)
                              .trimmed();
    if (accepted && !title.isEmpty())
        context.change(QStringLiteral("Rename Note"),
                       [&](CaptureNote& note) { note.title = title; });
}

// "Undo Add Arrow", or "Undo" when there is nothing to name.
QString named(const QString& verb, const QString& step) {
    return step.isEmpty() ? verb : verb + QLatin1Char(' ') + step;
}

} // namespace

EditorCommands::EditorCommands(Parts parts) : parts_(std::move(parts)) {
    addFileAndEditCommands();
    addAnnotationAndViewCommands();
    addImageAndRequestCommands();
    for (const MenuLayout& menu : menuBarLayout())
        registry_.check(menu.ids);
    registry_.check(contextMenuLayout());
    registry_.check(requestMenuLayout());

    // The registry is the receiver: these end with it, before the document goes.
    QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, &registry_,
                     [this] { registry_.refresh(); });
    // The stack moves after the note has changed and the window has refreshed.
    QObject::connect(&parts_.context.document().undoStack(), &QUndoStack::indexChanged, &registry_,
                     [this] {
                         registry_.refresh(QStringLiteral("editor.undo"));
                         registry_.refresh(QStringLiteral("editor.redo"));
                     });
}

void EditorCommands::addFileAndEditCommands() {
    EditorContext& context = parts_.context;
    OutputCommands& output = parts_.output;
    TextReading& reading = parts_.reading;
    QUndoStack& undo = context.document().undoStack();
    const auto image = [&context] { return context.activeMedia() != nullptr; };
    const auto selected = [&context] { return context.selectedMark() != nullptr; };
    const auto readable = [&reading] { return reading.available(); };
    const Command commands[] = {
        {"editor.importImage",
         "Import Image into Note…",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
         {},
         [this] { parts_.images.importImage(); }},
        {"editor.save", "Save", QKeySequence::Save, {}, [&context] { context.document().save(); }},
        {"editor.rename", "Rename Note…", {}, {}, [&context] { renameNote(context); }},
        {"editor.exportImage", "Export Image…", QKeySequence(Qt::CTRL | Qt::Key_E), image,
         [&output] { output.exportImage(); }},
        {"editor.exportReviewPdf",
         "Export Review PDF…",
         {},
         {},
         [&output] { output.exportReviewPdf(); }},
        {"editor.syncSettings",
         "Sync & Mobile Review…",
         {},
         [this] { return parts_.canOpenSyncSettings && parts_.canOpenSyncSettings(); },
         [this] {
             if (parts_.openSyncSettings)
                 parts_.openSyncSettings();
         }},
        {"editor.deleteNote",
         "Move Note to Recently Deleted…",
         {},
         [this] { return parts_.canDeleteNote && parts_.canDeleteNote(); },
         [this] {
             if (parts_.deleteNote)
                 parts_.deleteNote();
         }},
        {"editor.close", "Close", QKeySequence::Close, {}, [this] { parts_.window.close(); }},
        {"editor.undo", "Undo", QKeySequence::Undo, [&undo] { return undo.canUndo(); },
         [&undo] { undo.undo(); },
         [&undo] { return named(QStringLiteral("Undo"), undo.undoText()); }},
        {"editor.redo", "Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
         [&undo] { return undo.canRedo(); }, [&undo] { undo.redo(); },
         [&undo] { return named(QStringLiteral("Redo"), undo.redoText()); }},
        {"editor.cut", "Cut", QKeySequence::Cut, selected,
         [&output] { output.copyAnnotation(true); }},
        {"editor.copy", "Copy", QKeySequence::Copy, image,
         [&output] { output.copyAnnotation(false); },
         [selected] {
             return selected() ? QStringLiteral("Copy Annotation") : QStringLiteral("Copy Image");
         }},
        {"editor.paste", "Paste", QKeySequence::Paste,
         [] {
             return clipboardOffersAnnotation() ||
                    clipboardOffersImage(QApplication::clipboard()->mimeData());
         },
         [this] { parts_.annotations.pasteAnnotation(); },
         [] {
             return clipboardOffersAnnotation() ? QStringLiteral("Paste Annotation")
                                                : QStringLiteral("Paste Image");
         }},
        {"editor.copyImage", "Copy Image", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), image,
         [&output] { output.copyImage(); }},
        {"editor.copyForAgent", "Copy for Agent", QKeySequence(Qt::CTRL | Qt::Key_Return),
         [this] { return parts_.inspector.requestSummary().canCopy; },
         [this] { parts_.request.copyForAgent(); }},
        {"editor.copyColor",
         "Copy Color",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
         {},
         [&output] { output.copySampledColor(); }},
        {"editor.extractText", "Extract Text…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T),
         readable, [&reading] { reading.read(false, std::nullopt); }},
        {"editor.extractSelectedText",
         "Extract Selected Text…",
         {},
         readable,
         [&reading] { reading.readSelection(); }},
        {"editor.readQRCode",
         "Read QR Code…",
         {},
         readable,
         [&reading] { reading.read(true, std::nullopt); }},
    };
    for (const Command& command : commands)
        registry_.add(command);
}

void EditorCommands::addAnnotationAndViewCommands() {
    EditorContext& context = parts_.context;
    AnnotationEditor& annotations = parts_.annotations;
    CanvasZoom& zoom = parts_.zoom;
    QWidget& side = parts_.sidePanel;
    const auto selected = [&context] { return context.selectedMark() != nullptr; };
    const Command commands[] = {
        {"editor.addCenteredNote",
         "Add Location Note at Center",
         QKeySequence(Qt::CTRL | Qt::Key_L),
         {},
         [&] { annotations.addCenteredNote(context.canvas().visibleCenter()); }},
        {"editor.editNoteText", "Edit Note Text", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
         selected, [&annotations] { annotations.editSelectedNote(); }},
        {"editor.selectNextAnnotation",
         "Select Next Annotation",
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_BracketRight),
         {},
         [&annotations] { annotations.selectAdjacentAnnotation(1); }},
        {"editor.selectPreviousAnnotation",
         "Select Previous Annotation",
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_BracketLeft),
         {},
         [&annotations] { annotations.selectAdjacentAnnotation(-1); }},
        {"editor.duplicate", "Duplicate", QKeySequence(Qt::CTRL | Qt::Key_D), selected,
         [&annotations] { annotations.duplicateAnnotation(); }},
        {"editor.deleteAnnotation",
         "Delete Annotation",
         {},
         selected,
         [&annotations] { annotations.deleteAnnotation(); }},
        {"editor.restoreFullImage",
         "Restore Full Image",
         {},
         [&context] { return context.activeMedia() && context.activeMedia()->crop.has_value(); },
         [&annotations] { annotations.restoreFullImage(); }},
        {"editor.zoomIn", "Zoom In", QKeySequence::ZoomIn, {}, [&zoom] { zoom.zoomBy(2); }},
        {"editor.zoomOut", "Zoom Out", QKeySequence::ZoomOut, {}, [&zoom] { zoom.zoomBy(0.5); }},
        {"editor.actualPixels",
         "Actual Pixels",
         QKeySequence(Qt::CTRL | Qt::Key_0),
         {},
         [&zoom] { zoom.set(1.0); }},
        {"editor.fitImage",
         "Fit Image",
         QKeySequence(Qt::CTRL | Qt::Key_9),
         {},
         [&zoom] { zoom.set(std::nullopt); }},
        {"editor.zoomToSelection", "Zoom to Selection",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2), selected,
         [&zoom] { zoom.zoomToSelection(); }},
        {"editor.pixelLoupe",
         "Pixel Loupe",
         {},
         {},
         [this, &context] {
             CanvasView& canvas = context.canvas();
             canvas.setLoupeEnabled(!canvas.loupeEnabled());
             parts_.inspector.showLoupe(canvas.loupeEnabled());
         },
         {},
         [&context] { return context.canvas().loupeEnabled(); }},
        {"editor.pinImage", "Pin Image", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
         [this, &context] { return context.activeMedia() && parts_.canPin(); },
         [this] { parts_.output.pinImage(); }},
        {"editor.showInspector",
         "Show Inspector",
         {},
         {},
         [&side] { side.setVisible(side.isHidden()); },
         {},
         [&side] { return !side.isHidden(); }},
    };
    for (const Command& command : commands)
        registry_.add(command);
}

void EditorCommands::addImageAndRequestCommands() {
    EditorContext& context = parts_.context;
    ImageCommands& images = parts_.images;
    RequestFlow& request = parts_.request;
    const Command commands[] = {
        {"image.remove", "Remove Image", {}, {}, [&images] { images.removeActiveImage(); }},
        {"editor.openRecording",
         "Open Recording",
         {},
         [this, &context] {
             return parts_.canOpenRecording && parts_.canOpenRecording() &&
                    context.document().note().screenRecording.has_value();
         },
         [this] { parts_.openRecording(std::nullopt); }},
        {"image.showInRecording",
         "Show in Recording",
         {},
         [this, &context] {
             const Media* media = context.activeMedia();
             return parts_.canOpenRecording && parts_.canOpenRecording() && media &&
                    media->recordingFrame && context.document().note().screenRecording;
         },
         [this, &context] {
             if (const Media* media = context.activeMedia(); media && media->recordingFrame)
                 parts_.openRecording(media->recordingFrame->sourceTime);
         }},
        {"image.import", "Import Image…", {}, {}, [&images] { images.importImage(); }},
        {"image.captureInto",
         "Capture into This Note…",
         {},
         parts_.canCaptureInto,
         parts_.captureInto},
        {"image.paste", "Paste Image", {}, {}, [&images] { images.pasteImage(); }},
        {"editor.shareImage", "Share Image…", {}, {}, [this] { parts_.output.exportImage(); }},
        {"request.chooseProjectFolder",
         "Choose Project Folder…",
         {},
         {},
         [&request] { request.chooseDestination(); }},
        {"request.review", "Review Request…", {}, {}, [&request] { request.reviewRequest(); }},
        {"request.reviewOnly",
         "Review Only",
         {},
         {},
         [&context] {
             context.change(QStringLiteral("Change Request Mode"),
                            [](CaptureNote& note) { note.reviewOnly = !note.reviewOnly; });
         },
         {},
         [&context] { return context.note().reviewOnly; }},
        {"request.showLastPreparedFiles",
         "Show Last Prepared Files",
         {},
         [&request] { return request.controller().lastHandoff().has_value(); },
         [&request] { request.showLastPreparedFiles(); }},
    };
    for (const Command& command : commands)
        registry_.add(command);
}

void EditorCommands::buildMenuBar(QMenuBar& bar) const {
    for (const MenuLayout& layout : menuBarLayout())
        registry_.addToMenu(*bar.addMenu(layout.title), layout.ids);
}

void EditorCommands::showContextMenu(const QPoint& globalPosition) const {
    registry_.refresh();
    QMenu menu(&parts_.window);
    for (const QString& id : contextMenuLayout())
        if (QAction* action = registry_.action(id); action->isEnabled())
            menu.addAction(action);
    menu.exec(globalPosition);
}

void EditorCommands::showRequestMenu(QWidget& anchor) const {
    registry_.refresh();
    QMenu menu(&parts_.window);
    if (const std::optional<QString> folder = parts_.request.destination())
        menu.addAction(*folder)->setEnabled(false);
    registry_.addToMenu(menu, requestMenuLayout());
    menu.exec(anchor.mapToGlobal(QPoint(0, anchor.height())));
}

} // namespace lumbex
