#pragma once

#include <memory>

#include "agent/surfaces/GlobalPopoverContent.h"
#include "agent/surfaces/PopoverContentFactory.h"
#include "agent/ui/GroupListViewController.h"

// Makes GlobalPopover2 for the list layout and GlobalPopover for the split one, on the agent's
// collaborators.
class GlobalPopoverFactory : public PopoverContentFactory {
  public:
    GlobalPopoverFactory(GlobalPopoverContent::Collaborators content,
                         GroupListViewController::Collaborators sidebar)
        : content_(std::move(content)), sidebar_(sidebar) {}

    std::unique_ptr<PopoverContent> makeContentController(PopoverLayout layout) override;

  private:
    GlobalPopoverContent::Collaborators content_;
    GroupListViewController::Collaborators sidebar_;
};
