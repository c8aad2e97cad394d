#include "app/recording_ui/recording_control_panel.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(RecordingControlPanel, StaysOutOfTheRecordedArea) {
    const QRect screen(0, 0, 1280, 800);
    const QSize panel(400, 78);
    const struct {
        const char* name;
        QRect recorded;
        QPoint place;
    } cases[] = {
        {"nothing recorded yet", {}, {440, 24}},
        {"an area in the lower half", {100, 400, 600, 300}, {440, 24}},
        {"an area across the top", {0, 0, 1280, 300}, {440, 698}},
        {"a tall column in the middle", {450, 0, 380, 800}, {24, 24}},
        {"too wide for any place", {300, 0, 680, 800}, {440, 24}},
        {"the whole display", screen, {440, 24}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QPoint place = panelPlace(panel, screen, c.recorded);
        EXPECT_EQ(place, c.place);
        EXPECT_TRUE(screen.contains(QRect(place, panel)));
    }
}

TEST(RecordingControlPanel, ShowsTheClockAndTheButtonsStates) {
    int pauses = 0;
    int stops = 0;
    RecordingControlPanel panel([&] { ++pauses; }, [&] { ++stops; });
    panel.show({QStringLiteral("Paused · 00:01.500"), QStringLiteral("The microphone stopped."),
                true, true, false});
    EXPECT_EQ(panel.clockText(), "Paused · 00:01.500");
    bool cancelled = false;
    panel.showWaiting([&] { cancelled = true; });
    EXPECT_EQ(panel.clockText(), "Waiting for microphone access…");
    panel.close();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(cancelled);
}

} // namespace
} // namespace lumbex
