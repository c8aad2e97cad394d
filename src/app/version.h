#pragma once

namespace lumbex {

// The one version number, set in the top-level CMakeLists.txt ("0.2.0").
const char* lumbexVersion();

} // namespace lumbex
