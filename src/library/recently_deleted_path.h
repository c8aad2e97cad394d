#pragma once

#include <QString>

namespace lumbex {

// Whether `path` lies inside the Recently Deleted folder that belongs to the library folder
// `library` (its sibling "Recently Deleted"), symbolic links resolved on both sides.
bool isInRecentlyDeleted(const QString& library, const QString& path);

} // namespace lumbex
