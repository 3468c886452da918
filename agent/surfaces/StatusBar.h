#pragma once

#include <memory>

#include "agent/surfaces/GlobalPopoverDelegate.h"
#include "agent/surfaces/PopoverContent.h"
#include "agent/surfaces/PopoverContentFactory.h"
#include "agent/surfaces/PopoverResize.h"
#include "agent/surfaces/PopoverView.h"
#include "agent/surfaces/PopoverViewFactory.h"
#include "agent/surfaces/StatusBarDelegate.h"
#include "agent/surfaces/StatusBarDisplayType.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/ModifierFlags.h"
#include "platform/ui/StatusItem.h"

// The agent's status item and what a click on it does: in popover mode it toggles the cleaner
// popover, in a menu mode the item carries the delegate's status menu. The popover is made on
// its first show and kept, with its size, until the popover layout changes. Main thread only.
class StatusBar : public GlobalPopoverDelegate {
  public:
    static constexpr const char* kDisplayVersionedIconKey = "DisplayVersionedIcon";
    static constexpr const char* kUserPopoverSizeKey = "UserPopoverSize";
    static constexpr const char* kIconImage = "plmenu-icon";
    static constexpr const char* kVersionedIconImage = "plmenu-icon-9";
    static constexpr double kPopoverMaxWidth = 900;

    struct Collaborators {
        // The agent's standard defaults.
        platform::UserDefaults& defaults;
        const platform::ModifierFlagsSource* modifiers = nullptr;
        // Without both factories there is no popover.
        PopoverContentFactory* contents = nullptr;
        PopoverViewFactory* views = nullptr;
    };

    // The popover: its content controller, the drag arithmetic and the window.
    struct Popover {
        std::unique_ptr<PopoverContent> content;
        std::unique_ptr<PopoverResize> resize;
        // Declared last: it draws the content, so it goes first.
        std::unique_ptr<PopoverView> view;
    };

    explicit StatusBar(Collaborators collaborators);
    ~StatusBar() override;
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    // None while the item is hidden.
    std::unique_ptr<platform::StatusItem> statusItem;
    StatusBarDelegate* delegate = nullptr;
    bool isPopoverActive = false;
    StatusBarDisplayType displayMode = StatusBarDisplayType::popover;

    // Menu modes attach the delegate's status menu; popover mode detaches it.
    void updateMenu();
    // The icon by "DisplayVersionedIcon"; a press on it runs menuIconClick().
    void setupButton();
    // Opens the popover with the option of the held modifiers, or closes it when it is up.
    void menuIconClick();
    void showPopover(bool animated, CleanerApplyOption option);
    // Forgets the popover (after a layout change); the next show builds a new one.
    void dropPopover() { popover_.reset(); }
    const Popover* popover() const { return popover_.get(); }

    // GlobalPopoverDelegate
    void applyCleaner(const std::string& cleaner, CleanerApplyOption option) override;
    void displayAsMenu() override;
    // Saves the size under "UserPopoverSize" and closes the window.
    void closePopover() override;
    std::optional<std::string> frontAppName() override;

  private:
    void makePopover();

    Collaborators c_;
    std::unique_ptr<Popover> popover_;
};
