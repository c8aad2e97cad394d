#include "app/editor/editor_view_state.h"
#include "model/note_settings_keys.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// The stored tool as text: its name, or the digits of an index.
QString storedTool(const QSettings& settings, const Id& noteID) {
    const QByteArray stored = settings.value(NoteSettingsKeys::editorView(noteID)).toByteArray();
    return QJsonDocument::fromJson(stored).object().value("tool").toVariant().toString();
}

// A complete state as JSON text, with `tool` spelled as given.
QByteArray stateWithTool(const QByteArray& tool) {
    return R"({"mediaID":")" + idString(newId()).toUtf8() + R"(","tool":)" + tool +
           R"(,"center":[10,20],"inspectorVisible":true})";
}

TEST(EditorViewState, EveryToolIsStoredUnderItsStableNameAndReadBack) {
    // Settings written by this version must read the same after tools are added or reordered.
    const std::pair<CanvasTool, const char*> names[] = {
        {CanvasTool::Select, "select"},       {CanvasTool::Pointer, "locationNote"},
        {CanvasTool::Arrow, "arrow"},         {CanvasTool::Line, "line"},
        {CanvasTool::Rectangle, "rectangle"}, {CanvasTool::Ellipse, "ellipse"},
        {CanvasTool::Freehand, "freehand"},   {CanvasTool::Highlight, "highlight"},
        {CanvasTool::Text, "text"},           {CanvasTool::Redact, "redact"},
        {CanvasTool::Crop, "crop"},           {CanvasTool::Measure, "measure"},
        {CanvasTool::Magnify, "magnify"},
    };
    ASSERT_EQ(std::size(names), canvasTools().size());
    test::TemporaryFolder folder;
    QSettings settings(folder.path("settings.ini"), QSettings::IniFormat);
    const Id noteID = newId();
    for (const auto& [tool, name] : names) {
        EditorViewState state;
        state.mediaID = newId();
        state.tool = tool;
        state.selectedID = newId();
        state.zoom = 2;
        state.center = {120, 80};
        state.save(settings, noteID);

        EXPECT_EQ(storedTool(settings, noteID), QString::fromLatin1(name));
        EXPECT_EQ(EditorViewState::load(settings, noteID), std::optional(state)) << name;
    }
}

TEST(EditorViewState, AToolStoredAsAnIndexIsReadOnceAndSavedAgainByName) {
    struct Row {
        const char* stored;
        std::optional<CanvasTool> read;
    } rows[] = {
        {"0", CanvasTool::Select},
        {"2", CanvasTool::Arrow},
        {"8", CanvasTool::Text},
        {"12", CanvasTool::Magnify},
        {R"("arrow")", CanvasTool::Arrow},
        {"13", std::nullopt},
        {"-1", std::nullopt},
        {"2.5", std::nullopt},
        {R"("pencil")", std::nullopt},
        {R"("Arrow")", std::nullopt},
        {"null", std::nullopt},
    };
    for (const Row& row : rows) {
        const std::optional<EditorViewState> state =
            EditorViewState::decode(stateWithTool(row.stored));
        EXPECT_EQ(state ? std::optional(state->tool) : std::nullopt, row.read) << row.stored;
    }

    test::TemporaryFolder folder;
    QSettings settings(folder.path("settings.ini"), QSettings::IniFormat);
    const Id noteID = newId();
    settings.setValue(NoteSettingsKeys::editorView(noteID), stateWithTool("8"));
    const std::optional<EditorViewState> old = EditorViewState::load(settings, noteID);
    ASSERT_TRUE(old);
    old->save(settings, noteID);
    EXPECT_EQ(storedTool(settings, noteID), QStringLiteral("text"));
}

} // namespace
} // namespace lumbex
