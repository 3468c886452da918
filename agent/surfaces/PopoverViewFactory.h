#pragma once

#include <memory>

#include "agent/surfaces/PopoverLayout.h"
#include "agent/surfaces/PopoverView.h"
#include "platform/ui/Geometry.h"

class PopoverContent;

// Makes the popover's window for a content controller (GlobalPopover2 for the list layout,
// GlobalPopover for the split one) and knows the screen it opens on.
class PopoverViewFactory {
  public:
    virtual ~PopoverViewFactory() = default;
    // Loads the content's view, so that `content.originalSize()` holds its natural size when
    // this returns. The view must not outlive `content`.
    virtual std::unique_ptr<PopoverView> makePopoverView(PopoverLayout layout,
                                                         PopoverContent& content) = 0;
    // The visible frame (without panels and docks) of the main screen, or of the first screen
    // when no screen is the main one.
    virtual platform::Rect mainScreenVisibleFrame() const = 0;
};
