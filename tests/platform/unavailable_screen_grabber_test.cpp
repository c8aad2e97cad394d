#include "core/error.h"
#include "platform/unavailable_screen_grabber.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(UnavailableScreenGrabber, TheReasonSaysWhatToDoForTheKindOfSession) {
    struct Row {
        const char* name;
        QStringList variables;
        const char* advice;
    } rows[] = {
        {"no display at all", {}, "set DISPLAY to a running X server"},
        {"a Wayland session", {"XDG_SESSION_TYPE=wayland"}, "Log in with an X11 session"},
        {"a Wayland socket", {"WAYLAND_DISPLAY=wayland-0"}, "Log in with an X11 session"},
        {"an X11 session whose server is gone", {"XDG_SESSION_TYPE=x11"}, "set DISPLAY"},
    };
    for (const Row& row : rows) {
        QProcessEnvironment environment;
        for (const QString& variable : row.variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        EXPECT_TRUE(UnavailableScreenGrabber::reasonFor(environment)
                        .contains(QString::fromUtf8(row.advice)))
            << row.name << ": " << UnavailableScreenGrabber::reasonFor(environment).toStdString();
    }
}

TEST(UnavailableScreenGrabber, ReportsNoCapabilityAndEveryCallFailsWithTheReason) {
    UnavailableScreenGrabber screen(QStringLiteral("No screen here."));
    EXPECT_FALSE(screen.capabilities().testFlag(ScreenCapability::ReadScreen));
    const std::function<void()> calls[] = {
        [&] { screen.displays(); },
        [&] { screen.windows(); },
        [&] { screen.grabArea(QRect(0, 0, 10, 10)); },
        [&] { screen.grabDisplay({}); },
        [&] { screen.grabWindow(1); },
        [&] { screen.cursor(); },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "a call succeeded";
        } catch (const LumbexError& e) {
            EXPECT_EQ(e.message(), u"No screen here.");
        }
    }
}

} // namespace
} // namespace lumbex
