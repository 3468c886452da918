#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/engine/PLClientProtocol.h"
#include "agent/library/Group.h"
#include "agent/surfaces/GlobalMenuDelegate.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/ModifierFlags.h"
#include "platform/ui/Menu.h"
#include "platform/ui/StatusItem.h"

// The status item's menu in menu mode and the group menus popped up by shortcut. The status
// menu is rebuilt each time it opens from the user's current group, which persists under
// "SelectedGroup". Choosing a cleaner goes to the delegate with the apply option of the
// modifier keys held when the status menu last opened. Main thread only.
class GlobalMenu {
  public:
    static constexpr const char* kSelectedGroupKey = "SelectedGroup";
    static constexpr const char* kCurrentGroupAlias = "#current";
    static constexpr const char* kSubmenuTitle = "subgroup";
    static constexpr const char* kPopupTitle = "popup";
    // More custom cleaners than this and the Standard group gives way to Basic plus a submenu.
    static constexpr size_t kMaxInlineCustomCleaners = 6;

    struct Collaborators {
        PLClientProtocol& client;
        // The agent's standard defaults.
        platform::UserDefaults& defaults;
        const platform::ModifierFlagsSource* modifiers = nullptr;
        // Pops up group menus; without one they cannot be shown.
        platform::MenuPresenter* presenter = nullptr;
        // Launches or brings forward the engine (the application delegate's launchPurlaneApp).
        std::function<void()> launchPurlaneApp = nullptr;
    };

    explicit GlobalMenu(Collaborators collaborators);
    GlobalMenu(const GlobalMenu&) = delete;
    GlobalMenu& operator=(const GlobalMenu&) = delete;

    GlobalMenuDelegate* delegate = nullptr;
    // The flags read when the status menu last opened.
    uint64_t keyboardModifiers = 0;
    std::string currentGroup;
    platform::Menu statusMenu;

    // Rebuilds statusMenu; runs each time it is about to open.
    void menuNeedsUpdate();
    // Pops the group's items up at the pointer; "#current" names currentGroup.
    void showGroupMenuWithName(const std::string& name);

    // Item actions; `sender` is the chosen item.
    void changeGroup(const platform::MenuItem& sender);
    void applyItem(const platform::MenuItem& sender);
    void displayAsPopover();
    void showPurlane();

    // The rows of group `name` as menu items (nothing for an unknown group), coloured by tag
    // when `colors` is set.
    void appendGroupItems(platform::Menu& menu, const std::string& name, bool colors);

  private:
    void appendItems(platform::Menu& menu, const Group& group, bool colors);
    platform::MenuItem customCleanersItem();
    platform::MenuItem groupsItem();
    // The group `name` names: a "##" uuid, else a group name.
    Group groupNamed(const std::string& name) const;

    Collaborators c_;
};
