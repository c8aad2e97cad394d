#include "app/editor/editor_view_state.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(EditorViewState, RoundTripsWithAndWithoutOptionalParts) {
    EditorViewState full{newId(), CanvasTool::Magnify, newId(), 2.5, {120.5, -3}, false};
    EditorViewState fitting{newId(), CanvasTool::Select, std::nullopt, std::nullopt, {0, 0}, true};
    for (const EditorViewState& state : {full, fitting})
        EXPECT_EQ(EditorViewState::decode(state.encode()), state);
}

TEST(EditorViewState, IncompleteOrDamagedValuesAreIgnored) {
    const QString media = idString(newId());
    const QByteArray cases[] = {
        "not json",
        "{}",
        QStringLiteral(R"({"mediaID":"%1","tool":13,"center":[0,0],"inspectorVisible":true})")
            .arg(media)
            .toUtf8(),
        QStringLiteral(R"({"mediaID":"%1","tool":1.5,"center":[0,0],"inspectorVisible":true})")
            .arg(media)
            .toUtf8(),
        QStringLiteral(R"({"mediaID":"%1","tool":2,"center":[0],"inspectorVisible":true})")
            .arg(media)
            .toUtf8(),
        R"({"mediaID":"nope","tool":2,"center":[0,0],"inspectorVisible":true})",
    };
    for (const QByteArray& bytes : cases)
        EXPECT_FALSE(EditorViewState::decode(bytes)) << bytes.constData();
}

TEST(EditorViewState, IsKeptPerNoteInTheSettings) {
    test::TemporaryFolder folder;
    QSettings settings(folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
    const Id note = newId();
    const EditorViewState state{newId(), CanvasTool::Text, std::nullopt, 1.0, {5, 6}, true};
    state.save(settings, note);
    EXPECT_EQ(EditorViewState::load(settings, note), state);
    EXPECT_FALSE(EditorViewState::load(settings, newId()));
}

} // namespace
} // namespace lumbex
