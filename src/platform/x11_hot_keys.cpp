#include "platform/x11_hot_keys.h"

#include "platform/x11_connection.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <map>
#include <vector>
#include <xcb/xinput.h>

namespace lumbex {
namespace {

// Keysyms named here only; the keyboard's own mapping says which key codes carry them.
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kAltLeft = 0xffe9;
constexpr xcb_keysym_t kSuperLeft = 0xffeb;
constexpr xcb_keysym_t kF1 = 0xffbe;
constexpr uint8_t kBadAccess = 10;

xcb_keysym_t keysymOf(Qt::Key key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return xcb_keysym_t(key - Qt::Key_A + 'a');
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return xcb_keysym_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return kF1 + xcb_keysym_t(key - Qt::Key_F1);
    return 0;
}

class X11HotKeys : public QObject, public HotKeys {
public:
    explicit X11HotKeys(const QByteArray& displayName) : connection_(displayName) {
        readMapping();
        notifier_ = new QSocketNotifier(xcb_get_file_descriptor(connection_.get()),
                                        QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
        selectKeyReleases();
    }

    ~X11HotKeys() override {
        for (const auto& [id, entry] : entries_)
            ungrab(entry);
        xcb_flush(connection_.get());
    }

    int add(int id, QKeyCombination keys) override {
        remove(id);
        Entry entry{keys, 0, 0};
        const int status = grab(entry);
        if (status == 0)
            entries_[id] = entry;
        return status;
    }

    void remove(int id) override {
        const auto found = entries_.find(id);
        if (found == entries_.end())
            return;
        ungrab(found->second);
        entries_.erase(found);
        // A round trip: once remove() returns, the server has let the keys go, so that another
        // client (or a later add()) can take them.
        std::free(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr));
    }

    QString unavailableReason() const override { return {}; }

private:
    struct Entry {
        QKeyCombination keys;
        xcb_keycode_t keycode;
        uint16_t modifiers;
    };

    xcb_connection_t* c() const { return connection_.get(); }

    // Key releases of every keyboard, whoever has the keyboard: the only way to tell a held key's
    // repeats from a new press once the grab has been handed back. Without XInput 2 every press
    // counts.
    void selectKeyReleases() {
        const xcb_query_extension_reply_t* input = xcb_get_extension_data(c(), &xcb_input_id);
        if (!input || !input->present)
            return;
        const x11::Reply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c(), xcb_input_xi_query_version(c(), 2, 2), nullptr));
        if (!version || version->major_version < 2)
            return;
        inputOpcode_ = input->major_opcode;
        struct {
            xcb_input_event_mask_t head;
            uint32_t bits;
        } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
        xcb_input_xi_select_events(c(), connection_.root(), 1, &mask.head);
        xcb_flush(c());
    }

    // Refreshes which key codes carry which keysyms and which modifier bits Alt, Super and
    // NumLock are on this keyboard.
    void readMapping() {
        const xcb_setup_t* setup = xcb_get_setup(c());
        minKeycode_ = setup->min_keycode;
        const uint8_t count = uint8_t(setup->max_keycode - setup->min_keycode + 1);
        keysyms_.clear();
        perKeycode_ = 0;
        if (const x11::Reply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
                c(), xcb_get_keyboard_mapping(c(), minKeycode_, count), nullptr));
            reply) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
            keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
            perKeycode_ = reply->keysyms_per_keycode;
        }
        altMask_ = XCB_MOD_MASK_1;
        superMask_ = XCB_MOD_MASK_4;
        numLockMask_ = XCB_MOD_MASK_2;
        const x11::Reply<xcb_get_modifier_mapping_reply_t> modifiers(
            xcb_get_modifier_mapping_reply(c(), xcb_get_modifier_mapping(c()), nullptr));
        if (!modifiers)
            return;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int perModifier = modifiers->keycodes_per_modifier;
        for (int modifier = 3; modifier < 8; ++modifier)
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = codes[modifier * perModifier + i];
                const uint16_t bit = uint16_t(1u << modifier);
                if (code && carries(code, kNumLock))
                    numLockMask_ = bit;
                if (code && carries(code, kAltLeft))
                    altMask_ = bit;
                if (code && carries(code, kSuperLeft))
                    superMask_ = bit;
            }
    }

    bool carries(xcb_keycode_t code, xcb_keysym_t sym) const {
        if (code < minKeycode_ || !perKeycode_)
            return false;
        const std::size_t first = std::size_t(code - minKeycode_) * perKeycode_;
        for (std::size_t i = first; i < first + perKeycode_ && i < keysyms_.size(); ++i)
            if (keysyms_[i] == sym)
                return true;
        return false;
    }

    xcb_keycode_t keycodeOf(xcb_keysym_t sym) const {
        if (!perKeycode_)
            return 0;
        for (std::size_t i = 0; i < keysyms_.size(); ++i)
            if (keysyms_[i] == sym)
                return xcb_keycode_t(minKeycode_ + i / perKeycode_);
        return 0;
    }

    uint16_t maskOf(Qt::KeyboardModifiers modifiers) const {
        uint16_t mask = 0;
        if (modifiers & Qt::ShiftModifier)
            mask |= XCB_MOD_MASK_SHIFT;
        if (modifiers & Qt::ControlModifier)
            mask |= XCB_MOD_MASK_CONTROL;
        if (modifiers & Qt::AltModifier)
            mask |= altMask_;
        if (modifiers & Qt::MetaModifier)
            mask |= superMask_;
        return mask;
    }

    std::vector<uint16_t> lockVariants(uint16_t modifiers) const {
        return {modifiers, uint16_t(modifiers | XCB_MOD_MASK_LOCK),
                uint16_t(modifiers | numLockMask_),
                uint16_t(modifiers | XCB_MOD_MASK_LOCK | numLockMask_)};
    }

    // Grabs the combination with every Caps Lock and NumLock state, all or none: the status of
    // the first refusal (BadAccess when another client holds it).
    int grab(Entry& entry) {
        entry.keycode = keycodeOf(keysymOf(entry.keys.key()));
        entry.modifiers = maskOf(entry.keys.keyboardModifiers());
        if (!entry.keycode)
            return kUnavailable;
        std::vector<xcb_void_cookie_t> cookies;
        for (const uint16_t modifiers : lockVariants(entry.modifiers))
            cookies.push_back(xcb_grab_key_checked(c(), 1, connection_.root(), modifiers,
                                                   entry.keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        int status = 0;
        for (const xcb_void_cookie_t cookie : cookies)
            if (xcb_generic_error_t* error = xcb_request_check(c(), cookie)) {
                if (status == 0)
                    status = error->error_code == kBadAccess ? kTaken : error->error_code;
                std::free(error);
            }
        if (status != 0)
            ungrab(entry);
        return status;
    }

    void ungrab(const Entry& entry) {
        if (!entry.keycode)
            return;
        for (const uint16_t modifiers : lockVariants(entry.modifiers))
            xcb_ungrab_key(c(), entry.keycode, connection_.root(), modifiers);
    }

    void readEvents() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c())) {
            handle(event);
            std::free(event);
        }
    }

    void handle(const xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
        case XCB_KEY_PRESS:
            pressed(*reinterpret_cast<const xcb_key_press_event_t*>(event));
            break;
        case XCB_GE_GENERIC: {
            const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
            if (inputOpcode_ && generic->extension == inputOpcode_ &&
                generic->event_type == XCB_INPUT_RAW_KEY_RELEASE &&
                reinterpret_cast<const xcb_input_raw_key_release_event_t*>(event)->detail == held_)
                held_ = 0;
            break;
        }
        case XCB_MAPPING_NOTIFY:
            if (reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request !=
                XCB_MAPPING_POINTER)
                regrab();
            break;
        default:
            break;
        }
    }

    void pressed(const xcb_key_press_event_t& press) {
        // Hand the keyboard back at once, so that the window the key opens can take it.
        xcb_ungrab_keyboard(c(), press.time);
        xcb_flush(c());
        // A key held down repeats: only its first press counts until it is let go.
        if (inputOpcode_ && held_ == press.detail)
            return;
        const uint16_t relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | altMask_ | superMask_;
        for (const auto& [id, entry] : entries_)
            if (entry.keycode == press.detail && entry.modifiers == (press.state & relevant)) {
                held_ = press.detail;
                // Outside the event reading, so that the handler may open windows and dialogs.
                QTimer::singleShot(0, this, [this, id = id] { notifyPressed(id); });
                return;
            }
    }

    // The keyboard changed (another layout, a remapped key): grab each combination where it now
    // lives. A combination that can no longer be grabbed stays listed, so that its id is still
    // released by remove().
    void regrab() {
        for (const auto& [id, entry] : entries_)
            ungrab(entry);
        readMapping();
        for (auto& [id, entry] : entries_)
            grab(entry);
        xcb_flush(c());
    }

    x11::Connection connection_;
    QSocketNotifier* notifier_ = nullptr;
    std::map<int, Entry> entries_;
    std::vector<xcb_keysym_t> keysyms_;
    xcb_keycode_t minKeycode_ = 0;
    uint8_t perKeycode_ = 0;
    uint16_t altMask_ = XCB_MOD_MASK_1;
    uint16_t superMask_ = XCB_MOD_MASK_4;
    uint16_t numLockMask_ = XCB_MOD_MASK_2;
    uint8_t inputOpcode_ = 0;
    // The key of the last combination pressed, until it is let go.
    xcb_keycode_t held_ = 0;
};

class UnavailableHotKeys : public HotKeys {
public:
    explicit UnavailableHotKeys(QString reason) : reason_(std::move(reason)) {}
    int add(int, QKeyCombination) override { return kUnavailable; }
    void remove(int) override {}
    QString unavailableReason() const override { return reason_; }

private:
    QString reason_;
};

} // namespace

std::unique_ptr<HotKeys> connectX11HotKeys(const QByteArray& displayName) {
    return std::make_unique<X11HotKeys>(displayName);
}

std::unique_ptr<HotKeys> unavailableHotKeys(QString reason) {
    return std::make_unique<UnavailableHotKeys>(std::move(reason));
}

} // namespace lumbex
