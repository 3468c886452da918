#pragma once

#include "agent/actions/CleanerApplyOption.h"
#include "platform/ui/Geometry.h"

class GlobalPopoverDelegate;

// What the status bar and the popover drive of a popover's content controller (the single
// list or the split layout).
class PopoverContent {
  public:
    virtual ~PopoverContent() = default;
    virtual void setDelegate(GlobalPopoverDelegate* delegate) = 0;
    // The option a chosen cleaner is applied with; set before each show.
    virtual CleanerApplyOption applyOption() const = 0;
    virtual void setApplyOption(CleanerApplyOption option) = 0;
    // The view's size once loaded: its natural size.
    virtual platform::Size originalSize() const = 0;
    // Right before each show.
    virtual void viewWillAppear() = 0;
};
