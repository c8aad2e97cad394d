#include "platform/x11_displays.h"

#include <algorithm>
#include <xcb/randr.h>

namespace lumbex::x11 {
namespace {

int degrees(uint16_t rotation) {
    if (rotation & XCB_RANDR_ROTATION_ROTATE_90)
        return 90;
    if (rotation & XCB_RANDR_ROTATION_ROTATE_180)
        return 180;
    if (rotation & XCB_RANDR_ROTATION_ROTATE_270)
        return 270;
    return 0;
}

std::vector<ScreenDisplay> randrOutputs(const Connection& connection) {
    xcb_connection_t* c = connection.get();
    const Reply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, connection.root()), nullptr));
    if (!resources)
        return {};
    const Reply<xcb_randr_get_output_primary_reply_t> primary(xcb_randr_get_output_primary_reply(
        c, xcb_randr_get_output_primary(c, connection.root()), nullptr));

    std::vector<ScreenDisplay> displays;
    std::vector<xcb_randr_crtc_t> seen;
    const xcb_randr_output_t* outputs =
        xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int i = 0; i < count; ++i) {
        const Reply<xcb_randr_get_output_info_reply_t> output(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp), nullptr));
        if (!output || output->crtc == XCB_NONE ||
            std::find(seen.begin(), seen.end(), output->crtc) != seen.end())
            continue;
        const Reply<xcb_randr_get_crtc_info_reply_t> crtc(xcb_randr_get_crtc_info_reply(
            c, xcb_randr_get_crtc_info(c, output->crtc, resources->config_timestamp), nullptr));
        if (!crtc || crtc->width == 0 || crtc->height == 0)
            continue;
        seen.push_back(output->crtc);
        ScreenDisplay display;
        display.name = QString::fromUtf8(
            reinterpret_cast<const char*>(xcb_randr_get_output_info_name(output.get())),
            xcb_randr_get_output_info_name_length(output.get()));
        display.geometry = QRect(crtc->x, crtc->y, crtc->width, crtc->height);
        display.rotation = degrees(crtc->rotation);
        display.primary = primary && primary->output == outputs[i];
        displays.push_back(display);
    }
    return displays;
}

void chooseOnePrimary(std::vector<ScreenDisplay>& displays) {
    if (displays.empty() ||
        std::any_of(displays.begin(), displays.end(), [](const auto& d) { return d.primary; }))
        return;
    const auto atOrigin = std::find_if(displays.begin(), displays.end(), [](const auto& d) {
        return d.geometry.topLeft() == QPoint(0, 0);
    });
    (atOrigin != displays.end() ? *atOrigin : displays.front()).primary = true;
}

} // namespace

std::vector<ScreenDisplay> readDisplays(const Connection& connection, bool hasRandr) {
    std::vector<ScreenDisplay> displays;
    if (hasRandr)
        displays = randrOutputs(connection);
    if (displays.empty()) {
        const xcb_screen_t* screen = connection.screen();
        displays.push_back({QStringLiteral("screen"),
                            QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels), 0,
                            true});
    }
    chooseOnePrimary(displays);
    return displays;
}

} // namespace lumbex::x11
