#pragma once

#include "platform/ui/StatusItem.h"

namespace platform {

// Pop-up menus as Qt widget menus, at a point of the screen.
class QtMenuPresenter : public MenuPresenter {
  public:
    Point mouseLocation() const override;
    // Runs the menu's own event loop until it closes. False without a widgets application or a
    // screen, or when the menu never opened.
    bool popUpMenu(Menu& menu, Point location) override;
};

}  // namespace platform
