#include "model/note_fixtures.h"
#include "model/recording_coding.h"
#include "model/recording_keys.h"

#include <QJsonDocument>
#include <QJsonObject>
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
        {"creation date", [](ScreenRecording& r) { r.createdAt += 0.5; }, false},
        {"trim",
         [](ScreenRecording& r) {
             r.trim = RecordingRange{0, 1'000'000};
         },
         false},
        {"system audio muted", [](ScreenRecording& r) { r.muteSystem = true; }, false},
        {"microphone muted", [](ScreenRecording& r) { r.muteMicrophone = true; }, false},
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
        {"segment added", [](ScreenRecording& r) { r.segments.push_back(test::makeSegment()); },
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

TEST(RecordingKeys, SurviveAStoredRoundTrip) {
    ScreenRecording recording = test::makeRecording();
    recording.createdAt = 760'000'000.123456;
    recording.crop = Rect{0.5, 1.25, 640.125, 360};
    recording.segments[0].hostStart = 9'007'199'254'740'993;
    JsonWriter out(JsonWriter::Style::Pretty);
    writeScreenRecording(out, recording);
    const QJsonValue stored = QJsonDocument::fromJson(out.take()).object();
    const ScreenRecording decoded = decodeScreenRecording(JsonNode(stored, {}));
    EXPECT_EQ(editKey(decoded), editKey(recording));
    EXPECT_EQ(visualKey(decoded), visualKey(recording));
}

} // namespace
} // namespace lumbex
