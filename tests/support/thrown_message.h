#pragma once

#include "core/error.h"

#include <QString>
#include <functional>

namespace lumbex::test {

// The message of the LumbexError `action` throws; empty when it throws none.
inline QString thrownMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& error) {
        return error.message();
    }
    return {};
}

} // namespace lumbex::test
