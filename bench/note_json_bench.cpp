#include "model/note_coding.h"
#include "model/note_validation.h"
#include "model/schema_level.h"

#include <array>
#include <benchmark/benchmark.h>
#include <cmath>

namespace lumbex {
namespace {

constexpr int kImageCount = 4;
constexpr int kMarkCount = 1000;
constexpr int kFreehandPoints = 20;

Media screenshot(int index) {
    Media media;
    media.id = newId();
    media.name = QStringLiteral("Screenshot %1").arg(index + 1);
    media.width = 2880;
    media.height = 1800;
    media.sha256 = QString(64, u'a');
    media.role = index == 0 ? MediaRole::Current : MediaRole::After;
    media.includeInRequest = true;
    return media;
}

std::vector<Point> wiggle(Point origin) {
    std::vector<Point> points;
    for (int i = 0; i < kFreehandPoints; ++i)
        points.push_back({origin.x + 6.0 * i, origin.y + 20 * std::sin(i * 0.7)});
    return points;
}

// Pointers, arrows, rectangles, text and freehand strokes in turn, spread over the images and
// kept inside them; every pointer has its own note.
Mark markAt(int index, const Id& mediaID) {
    static const std::array<QString, 3> colors = {QStringLiteral("red"), QStringLiteral("#FF8800"),
                                                  QStringLiteral("blue")};
    static const std::array<MarkKind, 5> kinds = {MarkKind::Pointer, MarkKind::Arrow,
                                                  MarkKind::Rectangle, MarkKind::Text,
                                                  MarkKind::Freehand};
    Mark mark;
    mark.id = newId();
    mark.mediaID = mediaID;
    mark.kind = kinds[size_t(index) % kinds.size()];
    mark.start = {100.0 + (index * 37) % 2500, 100.0 + (index * 53) % 1400};
    mark.end = mark.start + Point{40.0 + index % 160, 30.0 + index % 120};
    mark.color = colors[size_t(index) % colors.size()];
    mark.lineWidth = 2 + index % 6;
    if (mark.kind == MarkKind::Text)
        mark.text = QStringLiteral("The Save button is cut off at 125% scaling (%1)").arg(index);
    if (mark.kind == MarkKind::Freehand) {
        mark.points = wiggle(mark.start);
        mark.end = mark.points->back();
    }
    return mark;
}

CaptureNote buildLargeNote() {
    CaptureNote note = CaptureNote::make();
    note.title = QStringLiteral("Settings dialog layout problems");
    note.general = QStringLiteral("Seen on every build since the toolbar change.");
    for (int i = 0; i < kImageCount; ++i)
        note.media.push_back(screenshot(i));
    for (int i = 0; i < kMarkCount; ++i) {
        note.marks.push_back(markAt(i, note.media[size_t(i) % note.media.size()].id));
        if (note.marks.back().kind == MarkKind::Pointer) {
            LinkedNote linked = LinkedNote::make();
            linked.markID = note.marks.back().id;
            linked.body = QStringLiteral("Misaligned by a few pixels here (%1).").arg(i);
            note.notes.push_back(linked);
        }
    }
    note.schemaVersion = minimumSchemaVersion(note);
    validate(note);
    return note;
}

const CaptureNote& largeNote() {
    static const CaptureNote note = buildLargeNote();
    return note;
}

void BM_EncodeNoteJson(benchmark::State& state) {
    const CaptureNote& note = largeNote();
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeNoteJson(note));
}
BENCHMARK(BM_EncodeNoteJson)->Unit(benchmark::kMillisecond);

void BM_DecodeNoteJson(benchmark::State& state) {
    const QByteArray bytes = encodeNoteJson(largeNote());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeNoteJson(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeNoteJson)->Unit(benchmark::kMillisecond);

void BM_ValidateNote(benchmark::State& state) {
    const CaptureNote& note = largeNote();
    for (auto _ : state)
        validate(note);
}
BENCHMARK(BM_ValidateNote)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex
