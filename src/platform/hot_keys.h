#pragma once

#include <QKeyCombination>
#include <QString>
#include <functional>

namespace lumbex {

// System-wide keys: a combination pressed anywhere on the desktop reaches this application.
// Registration happens on the GUI thread; `pressed` is called there too, once per press (held
// keys' repeats are dropped).
class HotKeys {
public:
    virtual ~HotKeys() = default;

    // Registers `keys` under `id` (any number the caller chooses). Returns 0 when registered,
    // otherwise a non-zero status saying why not: kTaken when another program holds the
    // combination, kUnavailable when this desktop offers no global keys.
    virtual int add(int id, QKeyCombination keys) = 0;
    // Releases the keys registered under `id`; nothing when none are.
    virtual void remove(int id) = 0;
    // Why registration cannot work here, or empty when it can.
    virtual QString unavailableReason() const = 0;

    void setPressedHandler(std::function<void(int id)> handler) { pressed_ = std::move(handler); }

    static constexpr int kTaken = 10;
    static constexpr int kUnavailable = -1;

protected:
    void notifyPressed(int id) const {
        if (pressed_)
            pressed_(id);
    }

private:
    std::function<void(int id)> pressed_;
};

} // namespace lumbex
