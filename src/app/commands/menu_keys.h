#pragma once

#include <QKeySequence>
#include <QList>
#include <vector>

class QAction;

namespace lumbex {

// The key equivalents of `actions` and of every submenu below them, depth-first in menu order
// (an item, then its submenu's items, then the next item). Items without keys are left out.
std::vector<QKeySequence> menuKeyEquivalents(const QList<QAction*>& actions);

} // namespace lumbex
