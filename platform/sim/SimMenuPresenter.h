#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/StatusItem.h"

namespace platform {

// Pop-up menus in memory: a test sets where the pointer is, reads the menus shown and decides
// what the user picks in them.
class SimMenuPresenter : public MenuPresenter {
  public:
    Point mouseLocation() const override { return mouse; }
    // Records the menu as shown, then picks the chosen item, if any. False, and nothing shown,
    // while `refuse` is set.
    bool popUpMenu(Menu& menu, Point location) override;

    // The user picks, in every menu shown from now on, the item with this title or at this
    // index; dismiss() goes back to closing menus without a pick.
    void chooseTitle(std::string title);
    void chooseIndex(size_t index);
    void dismiss();

    struct Shown {
        Menu menu;  // as it was when it opened
        Point location;
        // Whether the pick ran an item's action.
        bool performed = false;
    };

    Point mouse;
    bool refuse = false;
    std::vector<Shown> shown;

  private:
    std::optional<std::string> title_;
    std::optional<size_t> index_;
};

}  // namespace platform
