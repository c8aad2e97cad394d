#include "app/editor/editor_view_state.h"

#include "model/note_settings_keys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace lumbex {
namespace {

// The tool by its name; states written before tools had names hold its index instead.
std::optional<CanvasTool> storedTool(const QJsonValue& value) {
    if (value.isString())
        return toolNamed(value.toString());
    if (value.isDouble() && value.toDouble() == value.toInt())
        return toolFromIndex(value.toInt(-1));
    return std::nullopt;
}

} // namespace

QByteArray EditorViewState::encode() const {
    QJsonObject object{
        {QStringLiteral("mediaID"), idString(mediaID)},
        {QStringLiteral("tool"), toolInfo(tool).name},
        {QStringLiteral("center"), QJsonArray{center.x, center.y}},
        {QStringLiteral("inspectorVisible"), inspectorVisible},
    };
    if (selectedID)
        object.insert(QStringLiteral("selectedID"), idString(*selectedID));
    if (zoom)
        object.insert(QStringLiteral("zoom"), *zoom);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<EditorViewState> EditorViewState::decode(const QByteArray& bytes) {
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    const QJsonValue media = object.value(QStringLiteral("mediaID"));
    const QJsonArray center = object.value(QStringLiteral("center")).toArray();
    const QJsonValue inspector = object.value(QStringLiteral("inspectorVisible"));
    if (!media.isString() || center.size() != 2 || !center[0].isDouble() || !center[1].isDouble() ||
        !inspector.isBool())
        return std::nullopt;
    const std::optional<Id> mediaID = parseId(media.toString());
    const std::optional<CanvasTool> canvasTool = storedTool(object.value(QStringLiteral("tool")));
    if (!mediaID || !canvasTool)
        return std::nullopt;

    EditorViewState state;
    state.mediaID = *mediaID;
    state.tool = *canvasTool;
    state.center = {center[0].toDouble(), center[1].toDouble()};
    state.inspectorVisible = inspector.toBool();
    if (const QJsonValue selected = object.value(QStringLiteral("selectedID")); selected.isString())
        state.selectedID = parseId(selected.toString());
    if (const QJsonValue zoom = object.value(QStringLiteral("zoom")); zoom.isDouble())
        state.zoom = zoom.toDouble();
    return state;
}

std::optional<EditorViewState> EditorViewState::load(const QSettings& settings, const Id& noteID) {
    return decode(settings.value(NoteSettingsKeys::editorView(noteID)).toByteArray());
}

void EditorViewState::save(QSettings& settings, const Id& noteID) const {
    settings.setValue(NoteSettingsKeys::editorView(noteID), encode());
}

} // namespace lumbex
