#pragma once

namespace lumbex {

// Instants are stored as seconds (with fraction) since 2001-01-01 00:00:00 UTC, as doubles, so
// that a value read back from JSON compares equal to the one written.
using Date = double;

// 2001-01-01 00:00:00 UTC in seconds since the Unix epoch.
constexpr double kReferenceDateUnixSeconds = 978307200.0;

Date now();
// The earliest representable date, used where an instant is unknown.
constexpr Date kDistantPast = -63114076800.0;

} // namespace lumbex
