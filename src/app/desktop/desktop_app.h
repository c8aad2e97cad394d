#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QSettings;

namespace lumbex {

class ClipboardWatch;
class EditorWindow;
class NoteDocument;

// The desktop side of the application: the services its windows share (settings, clipboard
// watch) and the opening of notes in editor windows.
class DesktopApp : public QObject {
    Q_OBJECT
public:
    DesktopApp();
    ~DesktopApp() override;

    // Opens a saved package. Throws LumbexError with the reading check's message.
    EditorWindow* openPackage(const QString& path);
    // A new unsaved note holding the image file; it autosaves into the library.
    EditorWindow* openImage(const QString& path);
    // The sample note, saved at once, with its location note focused.
    EditorWindow* openPractice();

    QSettings& settings() { return *settings_; }

private:
    EditorWindow* show(std::unique_ptr<NoteDocument> document, bool isNew);

    std::unique_ptr<QSettings> settings_;
    ClipboardWatch* clipboard_;
};

// Opens what the command line names ("--fixture", packages, images) and runs the event loop.
// Returns the process exit code; failures to open are written to `messages`.
int runDesktop(const QStringList& args, FILE* messages);

} // namespace lumbex
