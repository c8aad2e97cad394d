#include "app/editor/side_panel_binding.h"

#include "app/editor/editor_context.h"
#include "app/editor/output_commands.h"
#include "app/editor/request_flow.h"
#include "app/editor/side_panel.h"
#include "app/editor/voice_controller.h"
#include "app/editor/voice_menu.h"
#include "canvas/canvas_view.h"
#include "canvas/measurement_text.h"
#include "core/error.h"
#include "model/note_document.h"
#include "model/note_edits.h"
#include "voice/voice_session.h"

#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {

SidePanelBinding::SidePanelBinding(EditorContext& context, SidePanel& panel, RequestFlow& request,
                                   OutputCommands& output,
                                   std::function<void(CanvasTool)> chooseTool)
    : context_(context), panel_(panel), request_(request), chooseTool_(std::move(chooseTool)) {
    panel_.onStyle = [this](edits::StyleProperty property, const QVariant& value) {
        applyStyle(property, value);
    };
    panel_.onBounds = [this](const Rect& bounds) { setBounds(bounds); };
    panel_.onLensSource = [this](Point source) {
        const Mark* mark = context_.selectedMark();
        if (!mark || mark->kind != MarkKind::Magnify)
            return;
        Mark moved = *mark;
        moved.magnificationCenter = source;
        context_.change(QStringLiteral("Move Magnification Source"),
                        [&](CaptureNote& note) { edits::replaceMark(note, moved); });
    };
    panel_.onImageEdit = [this](const QString& name, std::function<void(Media&)> body) {
        const Id media = context_.activeMediaID();
        context_.change(name, [&](CaptureNote& note) {
            for (Media& m : note.media)
                if (m.id == media)
                    body(m);
            edits::prepareForStorage(note);
        });
    };
    panel_.onLoupe = [this](bool on) { context_.canvas().setLoupeEnabled(on); };
    panel_.onCopySample = [&output] { output.copySampledColor(); };
    panel_.onCopyMeasurement = [&output] { output.copyMeasurement(); };
    QObject::connect(panel_.copyForAgentButton(), &QPushButton::clicked, &request_,
                     &RequestFlow::copyForAgent);
    QObject::connect(panel_.previewButton(), &QPushButton::clicked, &request_,
                     &RequestFlow::reviewRequest);
    QObject::connect(panel_.copyImageButton(), &QPushButton::clicked, &panel_,
                     [&output] { output.copyImage(); });
    QObject::connect(panel_.shareButton(), &QPushButton::clicked, &panel_,
                     [&output] { output.exportImage(); });
}

void SidePanelBinding::refresh() {
    panel_.refresh(context_.activeMedia(), context_.selectedMark(), context_.defaults(),
                   context_.canvas().tool() == CanvasTool::Select);
}

void SidePanelBinding::setBounds(const Rect& bounds) {
    const Mark* mark = context_.selectedMark();
    if (!mark || context_.canvas().tool() != CanvasTool::Select)
        return;
    const Id id = mark->id;
    CaptureNote trial = context_.note();
    try {
        const QString name = edits::setMarkBounds(trial, id, bounds);
        context_.change(name, [&](CaptureNote& note) { edits::setMarkBounds(note, id, bounds); });
    } catch (const LumbexError& e) {
        context_.setStatus(e.message());
        refresh();
    }
}

void SidePanelBinding::applyStyle(edits::StyleProperty property, const QVariant& value) {
    const Mark* mark = context_.selectedMark();
    if (!mark) {
        edits::applyStyle(context_.defaults(), property, value);
        return;
    }
    Mark styled = *mark;
    edits::applyStyle(styled, property, value);
    context_.change(edits::styleActionName(property), [&](CaptureNote& note) {
        edits::replaceMark(note, styled);
        edits::prepareForStorage(note);
    });
}

void SidePanelBinding::refreshRows() {
    const CaptureNote& note = context_.note();
    std::vector<std::optional<Id>> wanted{std::nullopt};
    for (const LinkedNote& linked : note.notes)
        wanted.emplace_back(linked.id);
    std::vector<std::optional<Id>> present;
    for (const NoteRow* row : rows_)
        present.push_back(row->noteID());
    if (wanted != present) {
        for (NoteRow* row : rows_)
            row->deleteLater();
        rows_.clear();
        for (const std::optional<Id>& id : wanted) {
            auto* row = new NoteRow(id, &panel_);
            row->onText = [this, id](const QString& text) {
                context_.change(QStringLiteral("Typing"),
                                [&](CaptureNote& n) { n.setBody(text, id); });
            };
            row->onInclude = [this, id](bool on) {
                context_.change(QStringLiteral("Change Request Inclusion"), [&](CaptureNote& n) {
                    if (!id) {
                        n.includeGeneral = on;
                        return;
                    }
                    for (LinkedNote& linked : n.notes)
                        if (linked.id == *id)
                            linked.included = on;
                });
            };
            if (id)
                row->onAction = [this, id = *id](NoteAction action) { noteAction(id, action); };
            row->onVoice = [this, id](const TextRange& selection, bool composing) {
                if (voice_)
                    voice_->toggle(id, selection, composing);
            };
            row->onVoiceMenu = [this, id, row = QPointer<NoteRow>(row)](QMenu& menu) {
                if (voice_)
                    fillVoiceMenu(menu, *voice_, id, [row] {
                        return row ? row->selection() : TextRange{-1, 0};
                    });
            };
            row->onVoiceEdit = [this, id](const QString& text, bool composing) {
                const auto session = voice_ ? voice_->sessionFor(id) : nullptr;
                if (session && session->tracksTextEdits())
                    session->userEdited(text, composing);
            };
            row->onVoiceField = [this, id](VoiceFieldEvent event) {
                const auto session = voice_ ? voice_->sessionFor(id) : nullptr;
                if (!session || !session->tracksTextEdits())
                    return;
                switch (event) {
                case VoiceFieldEvent::Composing:
                    session->beginTextComposition();
                    break;
                case VoiceFieldEvent::MovedCursor:
                    session->stopFollowingText();
                    break;
                case VoiceFieldEvent::LeftField:
                    session->breakTextUndoCoalescing();
                    break;
                }
                showVoice();
            };
            panel_.notesArea()->addWidget(row);
            rows_.push_back(row);
        }
    }
    for (NoteRow* row : rows_)
        row->refresh(note);
    showVoice();
}

void SidePanelBinding::setVoice(VoiceController& voice) {
    voice_ = &voice;
    voice.changed = [this] { showVoice(); };
}

void SidePanelBinding::showVoice() {
    for (NoteRow* row : rows_)
        row->showVoice(voice_ ? voice_->sessionFor(row->noteID()).get() : nullptr);
}

void SidePanelBinding::noteAction(const Id& noteID, NoteAction action) {
    switch (action) {
    case NoteAction::SelectLocation:
        for (const LinkedNote& linked : context_.note().notes)
            if (linked.id == noteID && linked.markID) {
                chooseTool_(CanvasTool::Select);
                context_.canvas().selectAnnotation(linked.markID);
            }
        break;
    case NoteAction::Reconnect: {
        const std::optional<Id> selected = context_.canvas().selectedID();
        context_.change(QStringLiteral("Reconnect Note"),
                        [&](CaptureNote& note) { edits::reconnectNote(note, noteID, selected); });
        break;
    }
    case NoteAction::MoveToGeneral:
        context_.change(QStringLiteral("Move to General Note"),
                        [&](CaptureNote& note) { edits::moveToGeneralNote(note, noteID); });
        break;
    case NoteAction::Remove:
        context_.change(QStringLiteral("Remove Note"),
                        [&](CaptureNote& note) { edits::removeNote(note, noteID); });
        break;
    }
}

NoteRow* SidePanelBinding::rowFor(const std::optional<Id>& noteID) const {
    for (NoteRow* row : rows_)
        if (row->noteID() == noteID)
            return row;
    return nullptr;
}

RequestSummary SidePanelBinding::requestSummary() const {
    return RequestSummary::make(context_.note(), context_.activeMediaID(),
                                {request_.destination(), request_.destinationIsBroken()},
                                request_.controller().isPreparing());
}

void SidePanelBinding::refreshRequest() {
    const RequestSummary summary = requestSummary();
    panel_.projectButton()->setText(summary.title);
    panel_.projectButton()->setToolTip(summary.toolTip);
    QPushButton* agent = panel_.copyForAgentButton();
    agent->setText(request_.controller().isPreparing() ? QStringLiteral("Preparing…")
                                                       : QStringLiteral("Copy for Agent"));
    agent->setEnabled(summary.canCopy);
    const NoteDocument& document = context_.document();
    QString save;
    if (document.saveError())
        save = *document.saveError();
    else if (document.isSaving())
        save = QStringLiteral("Saving…");
    else if (!document.filePath().isEmpty())
        save = QStringLiteral("Saved");
    panel_.setStatus(context_.statusMessage(), save);
}

void SidePanelBinding::showMeasurements() {
    const CanvasView& canvas = context_.canvas();
    const std::optional<QColor> sample = canvas.sampledColor();
    panel_.showSample(sample ? sample->name(QColor::HexRgb).toUpper() : QString());
    const std::optional<PixelMeasurement>& measurement = canvas.measurement();
    const Media* media = context_.activeMedia();
    panel_.showMeasurement(measurement && media ? spanText(*measurement) + QLatin1Char('\n') +
                                                      deltaText(*measurement) + QLatin1Char('\n') +
                                                      originalImageText(media->width, media->height)
                                                : QString());
}

void SidePanelBinding::showLoupe(bool on) {
    panel_.setLoupeChecked(on);
}

void SidePanelBinding::commitEditing() {
    panel_.commitEditing();
    for (NoteRow* row : rows_)
        row->commitTyping();
}

} // namespace lumbex
