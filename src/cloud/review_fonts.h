#pragma once

#include <QFont>

namespace lumbex {

// The faces of the reader PDF, loaded from their font files rather than chosen by the user's
// font configuration, so that every computer lays a review out the same way: DejaVu Sans for
// normal text and DejaVu Sans Bold for bold text, else the system font of the same size.
// Thread-safe.
QFont reviewFont(double pointSize, bool bold);

} // namespace lumbex
