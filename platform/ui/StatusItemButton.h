#pragma once

#include <functional>

#include "platform/ui/Menu.h"

namespace platform {

// What a press on a status item's button does, the same for every desktop: with a menu
// attached, any left or right press opens it (rebuilt first by its owner); without one, only
// a left press sends the action, as the OS's button sends it on left-mouse-down.
class StatusItemButton {
  public:
    enum class Press { left, right, other };

    void setAction(std::function<void()> action) { action_ = std::move(action); }
    bool hasAction() const { return static_cast<bool>(action_); }
    void setMenu(Menu* menu, std::function<void()> menuNeedsUpdate);
    Menu* menu() const { return menu_; }

    // Runs what `press` does. Returns the menu to show, already updated, or nullptr when there
    // is none. The action may destroy the button's owner: nothing here is touched after it.
    Menu* press(Press press);

  private:
    std::function<void()> action_;
    Menu* menu_ = nullptr;
    std::function<void()> menuNeedsUpdate_;
};

}  // namespace platform
