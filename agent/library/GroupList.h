#pragma once

#include <functional>
#include <string>
#include <vector>

#include "agent/library/CleanerListPref.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/ModifierFlags.h"
#include "platform/ui/Menu.h"

// The list of group names shown in group pop-ups and menus, in the user's display order, and
// the menu items that let the user choose one.
class GroupList {
  public:
    // The client's `grouplist:`: group names for a group type (1 built-in, 3 user).
    using GroupNames = std::function<std::vector<std::string>(int groupType)>;
    // Called with the chosen group's name and whether Option or Command was held.
    using ChooseAction = std::function<void(const std::string& groupName, bool alternate)>;

    // The names-list entry that stands for a separator.
    static constexpr const char* kSeparatorEntry = "-";
    static constexpr const char* kChooseGroupAction = "chooseGroup:";
    // Option and Command: either one held makes the choice an alternate one.
    static constexpr uint64_t kAlternateMask =
        platform::ModifierFlags::option | platform::ModifierFlags::command;

    // `defaults` holds the display order; `client` gives the names; `chooseAction` may be empty.
    GroupList(const platform::UserDefaults& defaults, GroupNames client, ChooseAction chooseAction,
              const platform::ModifierFlagsSource& modifiers);
    GroupList(const GroupList&) = delete;
    GroupList& operator=(const GroupList&) = delete;

    // The order used by the last names build (it is re-read from the defaults by each build).
    CleanerListPref::DisplayOrder order() const { return order_; }

    // Built-in and user group names in the display order, "-" between the two parts (no
    // built-in names and no "-" when only user groups are shown).
    std::vector<std::string> groupNames();

    // One item per names entry: a separator for "-", else an item titled with the name whose
    // action chooses it, on when it is `currentName` (never when that is empty).
    std::vector<platform::MenuItem> menuItems(const std::string& currentName);

    // The menu action: chooses the sender's title.
    void chooseGroup(const platform::MenuItem& sender);

  private:
    const platform::UserDefaults& defaults_;
    GroupNames client_;
    ChooseAction chooseAction_;
    const platform::ModifierFlagsSource& modifiers_;
    CleanerListPref::DisplayOrder order_ = CleanerListPref::DisplayOrder::standard;
};
