#pragma once

#include "platform/ui/Menu.h"

#include <cstdint>
#include <functional>
#include <string>

class QKeySequence;
class QMenu;

namespace platform {

// Fills `into` with the items of `model`, replacing what it held: titles (in their colour when
// attributed, indented by level), separators, submenus, enabled, hidden and check states, key
// equivalents as shortcut text (Command shown as Ctrl), tooltips, and a search field for items
// whose view is one. Items without an action or submenu are greyed, as the OS enables menu
// items by themselves. Picking an action performs its item.
//
// The actions point at the model's items: keep `model` alive and its item lists unchanged
// while `into` can be shown, and render again after changing it.
void renderMenu(Menu& model, QMenu& into);

// The same, with `perform` called for a picked item instead of the item's perform(): for owners
// that must know when an item's action runs.
using MenuItemPerformer = std::function<void(MenuItem& item)>;
void renderMenu(Menu& model, QMenu& into, MenuItemPerformer perform);

// The shortcut a key equivalent shows as: Command as Ctrl, Control as Meta, Option as Alt, and
// an upper-case letter with Shift. Empty when the key has no Qt counterpart.
QKeySequence keySequenceForKeyEquivalent(const std::string& keyEquivalent, uint64_t modifierMask);

}  // namespace platform
