#include "app/cli/capture_source_arguments.h"

#include "capture/capture_coordinates.h"
#include "capture/screen_lists.h"
#include "core/error.h"
#include "platform/portal_screenshot.h"

#include <QCoreApplication>

namespace lumbex::cli {
namespace {

QString describe(const Rect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x).arg(r.y).arg(r.width).arg(r.height);
}

Rect parseArea(const QString& text) {
    const QStringList parts = text.split(u',');
    std::vector<int> values;
    for (const QString& part : parts) {
        bool ok = false;
        values.push_back(part.trimmed().toInt(&ok));
        if (!ok)
            values.clear();
    }
    if (parts.size() != 4 || values.size() != 4 || values[2] <= 0 || values[3] <= 0)
        throw UsageError(QStringLiteral(
            "--area takes X,Y,W,H in pixels with a positive size, for example 10,20,300,200"));
    return {double(values[0]), double(values[1]), double(values[2]), double(values[3])};
}

// Window ids as `xdotool` prints them (decimal) or as `xwininfo` does (0x hexadecimal).
quint32 parseWindowID(const QString& text) {
    bool ok = false;
    const quint32 id = text.startsWith(u"0x", Qt::CaseInsensitive) ? text.mid(2).toUInt(&ok, 16)
                                                                   : text.toUInt(&ok, 10);
    if (!ok || id == 0)
        throw UsageError(
            QStringLiteral("--window takes a window id, such as 62914565 or 0x3c00005"));
    return id;
}

CaptureRegion areaSelection(const Rect& area, const std::vector<CaptureDisplay>& displays) {
    Rect bounds = displays.front().quartzFrame;
    for (const CaptureDisplay& display : displays)
        bounds = bounds.united(display.quartzFrame);
    if (!bounds.contains(area))
        throw LumbexError(QStringLiteral("The area %1 is not within the screens, which cover %2. "
                                         "Choose an area inside them.")
                              .arg(describe(area), describe(bounds)));
    const CaptureRegion region{area, displays};
    validateRegion(region, displays);
    return region;
}

QString windowIdsNeedX11(ScreenCapabilities can) {
    if (!choosesWindowInDialog(can))
        return windowCaptureNeedsX11();
    return windowCaptureNeedsX11() +
           QStringLiteral(
               " Here, use --window --interactive to choose it in the desktop’s dialog.");
}

CaptureWindow windowSelection(const QString& text, bool interactive, ScreenGrabber& screen) {
    const ScreenCapabilities can = screen.capabilities();
    const bool windowsArePrivate =
        can.testFlag(ScreenCapability::ReadScreen) && !can.testFlag(ScreenCapability::ReadWindows);
    if (windowsArePrivate) {
        if (text.isEmpty() && interactive && choosesWindowInDialog(can))
            return CaptureWindow{kWindowChosenInDialog, 0, {}, {}};
        throw LumbexError(windowIdsNeedX11(can));
    }
    const quint32 id = parseWindowID(text);
    for (const CaptureWindow& window :
         captureWindows(screen.windows(), qint32(QCoreApplication::applicationPid())))
        if (window.id == id)
            return window;
    throw LumbexError(QStringLiteral("No window with the id %1 (0x%2) is on the screen. Check "
                                     "the id with xdotool or xwininfo.")
                          .arg(id)
                          .arg(id, 0, 16));
}

CaptureDisplay displaySelection(const QString& text, const std::vector<CaptureDisplay>& displays) {
    bool ok = false;
    const int index = text.toInt(&ok);
    if (!ok || index < 0)
        throw UsageError(QStringLiteral("--display takes a display number: 0, 1, …"));
    if (index >= int(displays.size()))
        throw LumbexError(QStringLiteral("There is no display %1: the screen has %2 (numbered "
                                         "from 0 in the order of their names).")
                              .arg(index)
                              .arg(displays.size()));
    return displays[size_t(index)];
}

} // namespace

QStringList withChosenWindow(const QStringList& words) {
    QStringList read = words;
    for (qsizetype i = 0; i < read.size(); ++i) {
        if (read[i] == u"--")
            break;
        if (read[i] == u"--window" && (i + 1 == read.size() || read[i + 1].startsWith(u'-'))) {
            read.insert(i + 1, QString());
            break;
        }
    }
    return read;
}

CaptureSelection chosenSelection(const Arguments& args, ScreenGrabber& screen) {
    if (args.has(QStringLiteral("--window")))
        return windowSelection(args.value(QStringLiteral("--window")),
                               args.has(QStringLiteral("--interactive")), screen);
    const std::vector<CaptureDisplay> displays = captureDisplays(screen.displays());
    if (args.has(QStringLiteral("--area")))
        return areaSelection(parseArea(args.value(QStringLiteral("--area"))), displays);
    return displaySelection(args.value(QStringLiteral("--display")), displays);
}

void requireOneSource(const Arguments& args) {
    const int sources = int(args.has(QStringLiteral("--area"))) +
                        int(args.has(QStringLiteral("--window"))) +
                        int(args.has(QStringLiteral("--display")));
    if (sources != 1)
        throw UsageError(QStringLiteral("choose one of --area, --window or --display"));
}

} // namespace lumbex::cli
