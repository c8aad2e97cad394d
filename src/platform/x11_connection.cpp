#include "platform/x11_connection.h"

#include "core/error.h"

#include <cstring>

namespace lumbex::x11 {

Connection::Connection(const QByteArray& displayName) {
    int screenNumber = 0;
    connection_ =
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        throw LumbexError(QStringLiteral("Lumbex couldn’t connect to the X display “%1”. Check "
                                         "that it is running and that DISPLAY names it, then try "
                                         "again.")
                              .arg(QString::fromLocal8Bit(displayName)));
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    screen_ = screens.data;
}

Connection::~Connection() {
    if (connection_)
        xcb_disconnect(connection_);
}

xcb_atom_t Connection::atom(const char* name) const {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray Connection::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) const {
    // Titles and window lists are small; 64 KiB of 32-bit units covers any real one.
    constexpr uint32_t maxLongs = 16384;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, name, type, 0, maxLongs), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

void Connection::checkAlive() const {
    if (xcb_connection_has_error(connection_))
        throw LumbexError(QStringLiteral(
            "The connection to the X display was lost. Start Lumbex again in a running session."));
}

} // namespace lumbex::x11
