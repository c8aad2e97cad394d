#include "platform/wayland_output_layout.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {

void PrintTo(const ScreenDisplay& d, std::ostream* out) {
    *out << d.name.toStdString() << ' ' << d.geometry.x() << ',' << d.geometry.y() << ','
         << d.geometry.width() << ',' << d.geometry.height() << " turned " << d.rotation
         << (d.primary ? " primary" : "");
}

namespace {

std::vector<ScreenDisplay> whole(QSize picture) {
    return {{QStringLiteral("screen"), QRect(QPoint(), picture), 0, true}};
}

TEST(WaylandOutputLayout, OutputsDivideThePictureOfTheirLayout) {
    struct Row {
        const char* what;
        std::vector<WaylandOutput> outputs;
        QSize picture;
        std::vector<ScreenDisplay> expected;
    } rows[] = {
        {"one output",
         {{"HEADLESS-1", QRect(0, 0, 1280, 800), 0}},
         QSize(1280, 800),
         {{"HEADLESS-1", QRect(0, 0, 1280, 800), 0, true}}},
        {"two side by side, of different heights",
         {{"HEADLESS-1", QRect(0, 0, 1280, 800), 0}, {"HEADLESS-2", QRect(1280, 0, 800, 600), 0}},
         QSize(2080, 800),
         {{"HEADLESS-1", QRect(0, 0, 1280, 800), 0, true},
          {"HEADLESS-2", QRect(1280, 0, 800, 600), 0, false}}},
        {"the first output is primary wherever it is",
         {{"DP-2", QRect(1920, 0, 1280, 1024), 0}, {"DP-1", QRect(0, 0, 1920, 1080), 0}},
         QSize(3200, 1080),
         {{"DP-2", QRect(1920, 0, 1280, 1024), 0, true},
          {"DP-1", QRect(0, 0, 1920, 1080), 0, false}}},
        {"a layout not starting at the origin is moved to the picture's corner",
         {{"A", QRect(-1000, -200, 1000, 800), 0}, {"B", QRect(0, 0, 640, 480), 90}},
         QSize(1640, 800),
         {{"A", QRect(0, 0, 1000, 800), 0, true}, {"B", QRect(1000, 200, 640, 480), 90, false}}},
        {"a picture at scale 2 (a scale-2 output beside a scale-1 one)",
         {{"HEADLESS-1", QRect(0, 0, 1280, 800), 0}, {"HEADLESS-2", QRect(1280, 0, 400, 300), 0}},
         QSize(3360, 1600),
         {{"HEADLESS-1", QRect(0, 0, 2560, 1600), 0, true},
          {"HEADLESS-2", QRect(2560, 0, 800, 600), 0, false}}},
        {"a fractional scale keeps neighbours' shared edge",
         {{"A", QRect(0, 0, 1001, 700), 0}, {"B", QRect(1001, 0, 999, 700), 0}},
         QSize(3000, 1050),
         {{"A", QRect(0, 0, 1502, 1050), 0, true}, {"B", QRect(1502, 0, 1498, 1050), 0, false}}},
        {"no outputs", {}, QSize(1280, 800), whole(QSize(1280, 800))},
        {"an output of zero size",
         {{"A", QRect(0, 0, 1280, 800), 0}, {"B", QRect(1280, 0, 0, 600), 0}},
         QSize(1280, 800),
         whole(QSize(1280, 800))},
        {"mirrored outputs overlap",
         {{"A", QRect(0, 0, 1280, 800), 0}, {"B", QRect(0, 0, 1280, 800), 0}},
         QSize(1280, 800),
         whole(QSize(1280, 800))},
        {"partly overlapping outputs",
         {{"A", QRect(0, 0, 1280, 800), 0}, {"B", QRect(1000, 0, 800, 600), 0}},
         QSize(1800, 800),
         whole(QSize(1800, 800))},
        {"an output without a name",
         {{"A", QRect(0, 0, 1280, 800), 0}, {"", QRect(1280, 0, 800, 600), 0}},
         QSize(2080, 800),
         whole(QSize(2080, 800))},
        {"two outputs of one name",
         {{"A", QRect(0, 0, 1280, 800), 0}, {"A", QRect(1280, 0, 800, 600), 0}},
         QSize(2080, 800),
         whole(QSize(2080, 800))},
        {"a picture not of the layout's shape",
         {{"A", QRect(0, 0, 1280, 800), 0}, {"B", QRect(1280, 0, 800, 600), 0}},
         QSize(1280, 800),
         whole(QSize(1280, 800))},
        {"an empty picture", {{"A", QRect(0, 0, 1280, 800), 0}}, QSize(), whole(QSize())},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(displaysInPicture(row.outputs, row.picture), row.expected);
    }
}

TEST(WaylandOutputLayout, OutputsWithoutLogicalGeometryAreDerivedFromTheirMode) {
    struct Row {
        QPoint position;
        QSize mode;
        int scale;
        int transform;
        QRect expected;
    } rows[] = {
        {{0, 0}, {1920, 1080}, 1, 0, QRect(0, 0, 1920, 1080)},
        {{1920, 0}, {3840, 2160}, 2, 0, QRect(1920, 0, 1920, 1080)},
        // 90 and 270 degrees, plain or flipped, swap the sides; 180 does not.
        {{0, 0}, {1920, 1080}, 1, 1, QRect(0, 0, 1080, 1920)},
        {{0, 0}, {1920, 1080}, 1, 2, QRect(0, 0, 1920, 1080)},
        {{0, 0}, {1920, 1080}, 1, 3, QRect(0, 0, 1080, 1920)},
        {{0, 0}, {1920, 1080}, 1, 5, QRect(0, 0, 1080, 1920)},
        {{0, 0}, {1920, 1080}, 2, 7, QRect(0, 0, 540, 960)},
        // Nonsense gives an empty rectangle, which the layout then refuses.
        {{5, 5}, {1920, 1080}, 0, 0, QRect(5, 5, 0, 0)},
        {{5, 5}, {0, 1080}, 1, 0, QRect(5, 5, 0, 0)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(outputLogicalRect(row.position, row.mode, row.scale, row.transform), row.expected)
            << "scale " << row.scale << ", transform " << row.transform;
}

TEST(WaylandOutputLayout, TransformsTurnByQuarters) {
    const int expected[] = {0, 90, 180, 270, 0, 90, 180, 270};
    for (int transform = 0; transform < 8; ++transform)
        EXPECT_EQ(outputRotation(transform), expected[transform]) << transform;
}

} // namespace
} // namespace lumbex
