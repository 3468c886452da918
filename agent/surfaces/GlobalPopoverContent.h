#pragma once

#include <functional>
#include <memory>
#include <string>

#include "agent/surfaces/ApplicationActions.h"
#include "agent/surfaces/GlobalPopoverDelegate.h"
#include "agent/surfaces/PopoverContent.h"
#include "agent/ui/PLCleanerListViewController.h"
#include "agent/ui/PLCleanerListViewDelegate.h"
#include "platform/coding/PropertyList.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/Menu.h"

// What both popover layouts share: the embedded cleaner list, the apply-options popup, the
// version text, the update notice and the action menu. A cleaner chosen in the list is applied
// through the delegate with `applyOption`, then the popover closes. Its view (Qt) renders these
// fields and forwards the user's actions here. Main thread only.
class GlobalPopoverContent : public PopoverContent, public PLCleanerListViewDelegate {
  public:
    static constexpr const char* kPL8ConnectKey = "PL8Connect";
    // The image of the action menu's title item.
    static constexpr const char* kActionImageName = "NSImageNameActionTemplate";

    struct Collaborators {
        // What the embedded list is built on.
        PLCleanerListViewController::Collaborators list;
        // The agent's standard defaults ("PL8Connect").
        platform::UserDefaults& defaults;
        // The agent bundle's info dictionary (its version keys).
        platform::PropertyList::Dictionary info;
        // Whether the updater knows of a newer version.
        std::function<bool()> updateAvailable = nullptr;
        // Where the action menu's items go; none leaves them without effect.
        ApplicationActions* actions = nullptr;
    };

    // `popupOptions`: the list's PopupOptions bits.
    GlobalPopoverContent(Collaborators collaborators, uint32_t popupOptions);
    ~GlobalPopoverContent() override;
    GlobalPopoverContent(const GlobalPopoverContent&) = delete;
    GlobalPopoverContent& operator=(const GlobalPopoverContent&) = delete;

    PLCleanerListViewController& contentController() { return *contentController_; }
    GlobalPopoverDelegate* delegate() const { return delegate_; }

    // PopoverContent
    void setDelegate(GlobalPopoverDelegate* delegate) override { delegate_ = delegate; }
    CleanerApplyOption applyOption() const override { return applyOption_; }
    void setApplyOption(CleanerApplyOption option) override;
    platform::Size originalSize() const override { return originalSize_; }
    // Refreshes the option label, version, indicators and notice, then the list.
    void viewWillAppear() override;

    // The options popup's selection: the option's raw value; 3 or more selects standard.
    int optionValue() const { return static_cast<int>(applyOption_); }
    void setOptionValue(int value);

    // The view loaded at `frameSize`, with the list's view already attached to the list: the
    // list is set up (delegate, search focus) and loaded.
    virtual void viewDidLoad(platform::Size frameSize);

    // --- What the view shows (valid after viewWillAppear) ---
    const std::string& versionString() const { return versionString_; }
    // The title of the options popup's first item (the standard option's label).
    const std::string& standardOptionTitle() const { return standardOptionTitle_; }
    bool updatesNoticeHidden() const { return updatesNoticeHidden_; }
    // The updates button is drawn in the system red while an update waits.
    bool updatesButtonTinted() const { return !updatesNoticeHidden_; }
    // The version-8 link indicator, in the layouts that have one.
    virtual bool hasPl8linkIndicator() const = 0;
    bool pl8linkIndicatorHidden() const { return pl8linkIndicatorHidden_; }
    // The action pull-down: item 0 is its title item.
    platform::Menu& actionMenu() { return actionMenu_; }
    // Called after the fields above or the option changed.
    std::function<void()> controlsChanged;

    // --- Actions ---
    void cancelOperation();
    void actionDisplayAsMenu();
    void actionQuitApp();

    // PLCleanerListViewDelegate
    void cleanerListDidChoose(const std::string& token, const std::string& name,
                              const std::string& desc) override;
    // Gives the list's group popup Command-G.
    bool cleanerListDidLoad(PLCleanerListViewController& list) override;

  protected:
    Collaborators c_;

  private:
    void buildActionMenu();
    void notifyControls() {
        if (controlsChanged) controlsChanged();
    }

    std::unique_ptr<PLCleanerListViewController> contentController_;
    GlobalPopoverDelegate* delegate_ = nullptr;
    CleanerApplyOption applyOption_ = CleanerApplyOption::standard;
    platform::Size originalSize_;
    std::string versionString_;
    std::string standardOptionTitle_;
    bool updatesNoticeHidden_ = true;
    bool pl8linkIndicatorHidden_ = true;
    platform::Menu actionMenu_;
};
