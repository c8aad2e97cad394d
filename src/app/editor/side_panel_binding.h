#pragma once

#include "app/editor/note_row.h"
#include "app/editor/request_summary.h"
#include "app/editor/style_edits.h"
#include "canvas/canvas_tool.h"

#include <functional>
#include <optional>
#include <vector>

namespace lumbex {

class EditorContext;
class OutputCommands;
class RequestFlow;
class SidePanel;
class VoiceController;

// Ties the side panel to the note: its style, geometry, lens and background controls become
// named changes, its buttons run the request and output commands, and it holds one note row per
// note. The panel itself decides nothing.
class SidePanelBinding {
public:
    // `chooseTool` switches the canvas's tool as the toolbar does.
    SidePanelBinding(EditorContext& context, SidePanel& panel, RequestFlow& request,
                     OutputCommands& output, std::function<void(CanvasTool)> chooseTool);

    // The sections for the active image and the selected mark (or the drawing defaults).
    void refresh();
    // One row for the general note and each linked note, rebuilt only when the notes changed.
    void refreshRows();
    // The project line, "Copy for Agent" and the status lines.
    void refreshRequest();
    // The sampled colour and the measurement under the pointer.
    void showMeasurements();
    void showLoupe(bool on);
    RequestSummary requestSummary() const;
    NoteRow* rowFor(const std::optional<Id>& noteID) const;
    // Ends typing in the panel and the rows so that a command reads the note as shown.
    void commitEditing();
    // Rows start and stop dictation through `voice` and show its sessions.
    void setVoice(VoiceController& voice);
    void showVoice();

private:
    void applyStyle(edits::StyleProperty property, const QVariant& value);
    void setBounds(const Rect& bounds);
    void noteAction(const Id& noteID, NoteAction action);

    EditorContext& context_;
    SidePanel& panel_;
    RequestFlow& request_;
    std::function<void(CanvasTool)> chooseTool_;
    std::vector<NoteRow*> rows_;
    VoiceController* voice_ = nullptr;
};

} // namespace lumbex
