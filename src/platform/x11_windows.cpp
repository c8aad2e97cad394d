#include "platform/x11_windows.h"

#include <algorithm>
#include <cstring>

namespace lumbex::x11 {
namespace {

struct Atoms {
    explicit Atoms(const Connection& c)
        : clientListStacking(c.atom("_NET_CLIENT_LIST_STACKING")),
          frameExtents(c.atom("_NET_FRAME_EXTENTS")), name(c.atom("_NET_WM_NAME")),
          utf8(c.atom("UTF8_STRING")), pid(c.atom("_NET_WM_PID")),
          type(c.atom("_NET_WM_WINDOW_TYPE")), desktop(c.atom("_NET_WM_WINDOW_TYPE_DESKTOP")),
          dock(c.atom("_NET_WM_WINDOW_TYPE_DOCK")) {}

    xcb_atom_t clientListStacking, frameExtents, name, utf8, pid, type, desktop, dock;
};

template <class T> std::vector<T> values(const QByteArray& raw) {
    std::vector<T> out(raw.size() / sizeof(T));
    if (!out.empty())
        std::memcpy(out.data(), raw.constData(), out.size() * sizeof(T));
    return out;
}

// Bottom-most first, as both sources order them.
std::vector<xcb_window_t> stackedCandidates(const Connection& connection, const Atoms& atoms) {
    const QByteArray managed =
        connection.property(connection.root(), atoms.clientListStacking, XCB_ATOM_WINDOW);
    if (!managed.isEmpty())
        return values<xcb_window_t>(managed);
    xcb_connection_t* c = connection.get();
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, connection.root()), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> candidates;
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
        if (attributes && !attributes->override_redirect &&
            attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT)
            candidates.push_back(children[i]);
    }
    return candidates;
}

bool isViewable(xcb_connection_t* c, xcb_window_t window) {
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool isDesktopOrDock(const Connection& connection, const Atoms& atoms, xcb_window_t window) {
    for (xcb_atom_t type :
         values<xcb_atom_t>(connection.property(window, atoms.type, XCB_ATOM_ATOM)))
        if (type == atoms.desktop || type == atoms.dock)
            return true;
    return false;
}

QString title(const Connection& connection, const Atoms& atoms, xcb_window_t window) {
    const QByteArray utf8 = connection.property(window, atoms.name, atoms.utf8);
    if (!utf8.isEmpty())
        return QString::fromUtf8(utf8);
    return QString::fromLatin1(connection.property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING));
}

// WM_CLASS holds "instance\0class\0"; the class names the application.
QString owner(const Connection& connection, xcb_window_t window) {
    const QList<QByteArray> parts =
        connection.property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
    return parts.size() >= 2 ? QString::fromLocal8Bit(parts[1]) : QString();
}

// The window's rectangle on the desktop grown by the decorations the window manager reports.
std::optional<QRect> frame(const Connection& connection, xcb_atom_t frameExtents,
                           xcb_window_t window) {
    xcb_connection_t* c = connection.get();
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, connection.root(), 0, 0), nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    QRect rect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    const auto extents = values<uint32_t>(
        connection.property(window, frameExtents, XCB_ATOM_CARDINAL)); // l, r, t, b
    if (extents.size() == 4)
        rect.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    return rect;
}

} // namespace

std::vector<ScreenWindow> readWindows(const Connection& connection) {
    const Atoms atoms(connection);
    std::vector<xcb_window_t> candidates = stackedCandidates(connection, atoms);
    std::reverse(candidates.begin(), candidates.end());
    std::vector<ScreenWindow> windows;
    for (xcb_window_t id : candidates) {
        if (!isViewable(connection.get(), id) || isDesktopOrDock(connection, atoms, id))
            continue;
        const std::optional<QRect> rect = frame(connection, atoms.frameExtents, id);
        if (!rect)
            continue; // closed while being listed
        const auto pid = values<uint32_t>(connection.property(id, atoms.pid, XCB_ATOM_CARDINAL));
        windows.push_back({id, pid.empty() ? 0 : qint32(pid[0]), title(connection, atoms, id),
                           owner(connection, id), *rect});
    }
    return windows;
}

WindowPlacementReader::WindowPlacementReader(const Connection& connection)
    : connection_(connection), frameExtents_(connection.atom("_NET_FRAME_EXTENTS")),
      wmState_(connection.atom("WM_STATE")) {}

std::optional<WindowPlacement> WindowPlacementReader::read(xcb_window_t window) const {
    xcb_connection_t* c = connection_.get();
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes)
        return std::nullopt;
    const std::optional<QRect> rect = frame(connection_, frameExtents_, window);
    if (!rect)
        return std::nullopt;
    WindowPlacement placement{*rect, attributes->map_state == XCB_MAP_STATE_VIEWABLE, false};
    if (attributes->map_state == XCB_MAP_STATE_UNMAPPED) {
        // ICCCM WM_STATE: 0 withdrawn, 1 normal, 3 iconic; absent once the manager lets go.
        constexpr uint32_t withdrawnState = 0;
        const auto state = values<uint32_t>(connection_.property(window, wmState_, wmState_));
        placement.withdrawn = state.empty() || state[0] == withdrawnState;
    }
    return placement;
}

} // namespace lumbex::x11
