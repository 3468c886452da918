#include "agent/surfaces/GlobalPopover.h"

GlobalPopover::GlobalPopover(Collaborators collaborators,
                             GroupListViewController::Collaborators sidebar)
    : GlobalPopoverContent(std::move(collaborators), PLCleanerListViewController::kShowUserGroups),
      groupListController_(std::make_unique<GroupListViewController>(sidebar)) {
    groupListController_->delegate = this;
    groupListController_->cleanerList = &contentController();
}

GlobalPopover::~GlobalPopover() {
    groupListController_->delegate = nullptr;
}

void GlobalPopover::viewDidLoad(platform::Size frameSize) {
    GlobalPopoverContent::viewDidLoad(frameSize);
    auto& sidebar = *groupListController_;
    if (sidebar.view() && !sidebar.isViewLoaded()) sidebar.viewDidLoad();
    sidebar.setCurrent(contentController().currentGroup().name);
}

void GlobalPopover::groupListDidSelectGroup(const std::string& groupName) {
    // As the list's own popup chooses, without making it the default group.
    contentController().chooseGroup(groupName, false);
}
