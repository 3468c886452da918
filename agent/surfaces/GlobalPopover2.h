#pragma once

#include "agent/surfaces/GlobalPopoverContent.h"

// The popover's default layout: one cleaner list with its group popup, and the version-8 link
// indicator.
class GlobalPopover2 : public GlobalPopoverContent {
  public:
    explicit GlobalPopover2(Collaborators collaborators)
        : GlobalPopoverContent(std::move(collaborators),
                               PLCleanerListViewController::kShowUserGroups |
                                   PLCleanerListViewController::kShowGroupPopup) {}

    bool hasPl8linkIndicator() const override { return true; }
};
