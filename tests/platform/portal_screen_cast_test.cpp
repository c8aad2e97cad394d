#include "platform/portal_screen_cast.h"
#include "support/thrown_message.h"

#include <QVariantList>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QString unreadable = QStringLiteral(
    "The desktop portal’s answer to the screen recording request could not be read. Try again.");

QVariantMap streamsAnswer(const QVariantList& streams) {
    return {{QStringLiteral("streams"), streams}};
}

QVariant entry(QVariant node, QVariantMap properties) {
    return QVariantList{node, properties};
}

QVariant pair(int a, int b) {
    return QVariantList{a, b};
}

TEST(ScreenCastStart, StreamsAndTheRestoreTokenAreRead) {
    QVariantMap results = streamsAnswer({entry(uint(57), {{"position", pair(1280, -20)},
                                                          {"size", pair(1920, 1080)},
                                                          {"source_type", uint(1)}}),
                                         entry(uint(58), {})});
    results.insert(QStringLiteral("restore_token"), QStringLiteral("51e5e9b3"));
    const ScreenCastGrant grant = parseScreenCastStart(0, results);
    ASSERT_EQ(grant.streams.size(), 2u);
    EXPECT_EQ(grant.streams[0],
              (ScreenCastStream{57, QPoint(1280, -20), QSize(1920, 1080), kScreenCastMonitor}));
    // What a portal leaves out stays unknown.
    EXPECT_EQ(grant.streams[1], (ScreenCastStream{58, std::nullopt, std::nullopt, 0}));
    EXPECT_EQ(grant.restoreToken, "51e5e9b3");

    EXPECT_TRUE(
        parseScreenCastStart(0, streamsAnswer({entry(uint(3), {})})).restoreToken.isEmpty());
}

TEST(ScreenCastStart, RefusalsAndAnswersOfTheWrongShapeAreExplained) {
    const QString cancelled = QStringLiteral(
        "Screen sharing was cancelled, so nothing was recorded. Start again and choose a screen "
        "to share.");
    const QString failed = QStringLiteral(
        "The desktop portal could not start sharing the screen. Check that xdg-desktop-portal "
        "and the backend for your desktop are running, then try again.");
    const QString none = QStringLiteral(
        "The desktop portal shared no screen, so nothing can be recorded. Start again and choose "
        "a screen to share.");
    const QVariantMap good = streamsAnswer({entry(uint(5), {})});
    QVariantMap numericToken = good;
    numericToken.insert(QStringLiteral("restore_token"), 42);
    struct Row {
        const char* what;
        uint response;
        QVariantMap results;
        QString message;
    } rows[] = {
        {"cancelled by the person", 1, good, cancelled},
        {"failed", 2, good, failed},
        {"an unknown code", 7, {}, failed},
        {"no streams at all", 0, {}, unreadable},
        {"an empty list", 0, streamsAnswer({}), none},
        {"streams as text", 0, {{"streams", QStringLiteral("57")}}, unreadable},
        {"a stream that is no pair", 0, streamsAnswer({uint(57)}), unreadable},
        {"three fields", 0, streamsAnswer({QVariantList{uint(57), QVariantMap(), 1}}), unreadable},
        {"a signed node", 0, streamsAnswer({entry(57, {})}), unreadable},
        {"a node as text", 0, streamsAnswer({entry(QStringLiteral("57"), {})}), unreadable},
        {"properties as a list", 0, streamsAnswer({QVariantList{uint(57), QVariantList()}}),
         unreadable},
        {"a position of one number", 0,
         streamsAnswer({entry(uint(57), {{"position", QVariantList{1}}})}), unreadable},
        {"a position as text", 0,
         streamsAnswer({entry(uint(57), {{"position", QStringLiteral("0,0")}})}), unreadable},
        {"a size of doubles", 0,
         streamsAnswer({entry(uint(57), {{"size", QVariantList{1.5, 2.0}}})}), unreadable},
        {"an empty size", 0, streamsAnswer({entry(uint(57), {{"size", pair(0, 800)}})}),
         unreadable},
        {"a negative size", 0, streamsAnswer({entry(uint(57), {{"size", pair(1280, -1)}})}),
         unreadable},
        {"a source type as text", 0,
         streamsAnswer({entry(uint(57), {{"source_type", QStringLiteral("monitor")}})}),
         unreadable},
        {"a numeric restore token", 0, numericToken, unreadable},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(test::thrownMessage([&] { parseScreenCastStart(row.response, row.results); }),
                  row.message);
    }
}

TEST(ScreenCastOffer, NoBusNoOffer) {
    EXPECT_FALSE(screenCastOffer(QDBusConnection(QStringLiteral("not connected"))));
}

} // namespace
} // namespace lumbex
