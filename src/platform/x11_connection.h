#pragma once

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace lumbex::x11 {

// xcb hands out replies allocated with malloc; the caller frees them.
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

// One connection to an X server with the atoms and property reads the screen services need. Not
// thread-safe: its owner serialises calls.
class Connection {
public:
    // Throws LumbexError naming the display when the server cannot be reached.
    explicit Connection(const QByteArray& displayName);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }

    xcb_atom_t atom(const char* name) const;
    // A property's raw value, or empty when the window does not have it.
    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) const;
    // Throws LumbexError when the server has gone away (every call made after that fails).
    void checkAlive() const;

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

} // namespace lumbex::x11
