#pragma once

#include "app/commands/command_registry.h"

#include <QtGlobal>
#include <functional>
#include <optional>

class QMainWindow;
class QMenuBar;
class QPoint;
class QWidget;

namespace lumbex {

class AnnotationEditor;
class CanvasZoom;
class EditorContext;
class ImageCommands;
class SidePanelBinding;
class OutputCommands;
class RequestFlow;
class TextReading;

// The commands of one editor window by id, and the menus built from them: the menu bar (File,
// Edit, Annotation, View), the canvas's context menu and the project folder's request menu; the
// image bar builds its menus from the same registry.
class EditorCommands {
public:
    struct Parts {
        QMainWindow& window;
        EditorContext& context;
        AnnotationEditor& annotations;
        CanvasZoom& zoom;
        ImageCommands& images;
        OutputCommands& output;
        TextReading& reading;
        RequestFlow& request;
        SidePanelBinding& inspector;
        // The side of the window that "Show Inspector" shows and hides.
        QWidget& sidePanel;
        // Whether the application pins images, and captures into a note, for this window.
        std::function<bool()> canPin;
        std::function<bool()> canCaptureInto;
        std::function<void()> captureInto;
        // Whether the application deletes notes for this window, and the deletion itself.
        std::function<bool()> canDeleteNote = {};
        std::function<void()> deleteNote = {};
        // Whether the application opens recording windows, and the opening itself, at a source
        // time when one is given.
        std::function<bool()> canOpenRecording = {};
        std::function<void(std::optional<qint64> sourceTime)> openRecording = {};
        // Whether the application syncs notes for this window, and its "Sync & Mobile Review"
        // window.
        std::function<bool()> canOpenSyncSettings = {};
        std::function<void()> openSyncSettings = {};
    };
    // Registers the commands; throws LumbexError when a menu names one that is not registered.
    explicit EditorCommands(Parts parts);

    CommandRegistry& registry() { return registry_; }
    void buildMenuBar(QMenuBar& bar) const;
    // The commands for the mark under the pointer that apply now.
    void showContextMenu(const QPoint& globalPosition) const;
    // The project folder, and what can be done with the request, below `anchor`.
    void showRequestMenu(QWidget& anchor) const;

private:
    void addFileAndEditCommands();
    void addAnnotationAndViewCommands();
    void addImageAndRequestCommands();

    Parts parts_;
    CommandRegistry registry_;
};

} // namespace lumbex
