#include "model/note_fixtures.h"
#include "model/recording_keys.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Every edit changes the edit key; only edits that alter what frames look like change the visual
// key.
TEST(RecordingKeys, EditKeyChangesWithEveryEditVisualKeyOnlyWithHowFramesLook) {
    const struct {
        const char* name;
        std::function<void(ScreenRecording&)> change;
        bool changesVisualKey;
    } rows[] = {
        {"title", [](ScreenRecording& r) { r.title = QStringLiteral("Renamed"); }, false},
        {"trim",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{0, 1'000'000};
         },
         false},
        {"system audio muted", [](ScreenRecording& r) { r.muteSystem = true; }, false},
        {"recovery", [](ScreenRecording& r) { r.recovery = RecordingRecovery::Partial; }, false},
        {"crop",
         [](ScreenRecording& r) {
             r.crop = Rect{0, 0, 640, 360};
         },
         true},
        {"redaction added",
         [](ScreenRecording& r) {
             r.redactions.push_back({newId(), {0, 100}, {0, 0, 10, 10}});
         },
         true},
        {"segment replaced", [](ScreenRecording& r) { r.segments[1].sha256 = test::digest('d'); },
         true},
        {"segments reordered", [](ScreenRecording& r) { std::swap(r.segments[0], r.segments[1]); },
         true},
    };
    const ScreenRecording before = test::makeRecording();
    EXPECT_NE(editKey(before), visualKey(before));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScreenRecording after = before;
        row.change(after);
        EXPECT_NE(editKey(after), editKey(before));
        EXPECT_EQ(visualKey(after) != visualKey(before), row.changesVisualKey);
    }
}

} // namespace
} // namespace lumbex
