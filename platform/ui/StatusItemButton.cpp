#include "platform/ui/StatusItemButton.h"

#include <utility>

namespace platform {

void StatusItemButton::setMenu(Menu* menu, std::function<void()> menuNeedsUpdate) {
    menu_ = menu;
    menuNeedsUpdate_ = menu ? std::move(menuNeedsUpdate) : nullptr;
}

Menu* StatusItemButton::press(Press press) {
    if (menu_) {
        if (press == Press::other) return nullptr;
        // The owner may swap or detach the menu while rebuilding it; show what is attached then.
        if (auto update = menuNeedsUpdate_) update();
        return menu_;
    }
    if (press != Press::left || !action_) return nullptr;
    // A copy runs, so the action may replace itself or end the button's owner.
    auto action = action_;
    action();
    return nullptr;
}

}  // namespace platform
