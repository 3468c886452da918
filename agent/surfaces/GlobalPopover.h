#pragma once

#include <memory>
#include <string>

#include "agent/surfaces/GlobalPopoverContent.h"
#include "agent/ui/GroupListViewController.h"
#include "agent/ui/GroupListViewDelegate.h"

// The split layout ("DisplayLayout" 2): a group sidebar beside the cleaner list, whose own
// group popup is hidden; choosing a group in the sidebar shows it in the list.
class GlobalPopover : public GlobalPopoverContent, public GroupListViewDelegate {
  public:
    GlobalPopover(Collaborators collaborators, GroupListViewController::Collaborators sidebar);
    ~GlobalPopover() override;

    GroupListViewController& groupListController() { return *groupListController_; }
    bool hasPl8linkIndicator() const override { return false; }

    // Loads the sidebar too (its view attached first) and selects the list's group in it.
    void viewDidLoad(platform::Size frameSize) override;

    // GroupListViewDelegate
    void groupListDidSelectGroup(const std::string& groupName) override;

  private:
    std::unique_ptr<GroupListViewController> groupListController_;
};
