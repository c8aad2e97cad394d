#include "app/commands/menu_keys.h"

#include <QAction>
#include <QMenu>

namespace lumbex {
namespace {

void collect(const QList<QAction*>& actions, std::vector<QKeySequence>& keys) {
    for (const QAction* action : actions) {
        if (!action->shortcut().isEmpty())
            keys.push_back(action->shortcut());
        if (const QMenu* submenu = action->menu())
            collect(submenu->actions(), keys);
    }
}

} // namespace

std::vector<QKeySequence> menuKeyEquivalents(const QList<QAction*>& actions) {
    std::vector<QKeySequence> keys;
    collect(actions, keys);
    return keys;
}

} // namespace lumbex
