#pragma once

#include "platform/hot_keys.h"

#include <map>
#include <set>

namespace lumbex::test {

// Global keys kept in memory. Combinations in `taken` are refused as another program's; a test
// presses a registered combination with press().
class FakeHotKeys : public HotKeys {
public:
    int add(int id, QKeyCombination keys) override {
        if (unavailable)
            return kUnavailable;
        if (taken.count(keys.toCombined()))
            return kTaken;
        for (const auto& [otherId, otherKeys] : registered)
            if (otherId != id && otherKeys == keys)
                return kTaken;
        registered[id] = keys;
        ++adds;
        return 0;
    }
    void remove(int id) override { registered.erase(id); }
    QString unavailableReason() const override {
        return unavailable ? QStringLiteral("No global keys here.") : QString();
    }

    // Returns false when nothing is registered for `keys`.
    bool press(QKeyCombination keys) const {
        for (const auto& [id, registeredKeys] : registered)
            if (registeredKeys == keys) {
                notifyPressed(id);
                return true;
            }
        return false;
    }

    std::set<int> taken;
    bool unavailable = false;
    std::map<int, QKeyCombination> registered;
    int adds = 0;
};

} // namespace lumbex::test
