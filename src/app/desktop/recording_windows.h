#pragma once

#include <QPointer>
#include <map>
#include <optional>

namespace lumbex {

class EditorWindow;
class NoteDocument;
class RecordingWindowController;

// The recording windows of the application: at most one per note document, each closing with
// its document (see RecordingWindowController).
class RecordingWindows {
public:
    // Shows the recording window of the editor's note, made on first use, at a source time when
    // one is given.
    RecordingWindowController* open(EditorWindow& editor, std::optional<qint64> sourceTime);

private:
    std::map<const NoteDocument*, QPointer<RecordingWindowController>> windows_;
};

} // namespace lumbex
