#include "core/natural_order.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(NaturalOrderTest, comparesNamesAsAFileBrowserListsThem) {
    const struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"a2.png", "a10.png", -1},
        {"shot 9", "shot 10", -1},
        {"Shot 2", "shot 10", -1},
        {"a.png", "B.png", -1},
        {"b.png", "A.png", 1},
        {"page", "page 1", -1},
        {"page 1", "page", 1},
        {"x1y2", "x1y10", -1},
        {"x2y1", "x10y0", -1},
        {"07", "7", 1},
        {"007", "07", 1},
        {"v007b", "v7a", 1},
        {"99999999999999999999", "100000000000000000000", -1},
        {"frame 0", "frame 00", -1},
        {"Same", "same", -1},
        {"same", "same", 0},
        {"", "", 0},
        {"", "a", -1},
        {"1", "a", -1},
        {"Straße ٣", "Straße ١٠", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        EXPECT_EQ(naturalCompare(a, b), c.order);
        EXPECT_EQ(naturalCompare(b, a), -c.order);
    }
}

TEST(NaturalOrderTest, sortsPathsByFileNameOnlyAndKeepsEqualNamesInOrder) {
    const QStringList paths{"/z/a10.png",  "/y/a2.png", "/x/a1.png", "/b/shot.png",
                            "/a/shot.png", "/c/A1.png", "/d/a01.png"};
    EXPECT_EQ(sortedByFileName(paths),
              (QStringList{"/c/A1.png", "/x/a1.png", "/d/a01.png", "/y/a2.png", "/z/a10.png",
                           "/b/shot.png", "/a/shot.png"}));
}

} // namespace
} // namespace lumbex
