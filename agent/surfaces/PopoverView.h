#pragma once

#include <functional>
#include <optional>

#include "platform/ui/Geometry.h"

class PopoverResize;

// The window that shows a popover's content under the status item. It draws the content
// controller it was made for, forwards pointer events on its edges to the PopoverResize it is
// given and applies that object's content size and cursor after each. It watches for clicks
// outside itself while shown and reports them; it never closes itself on them.
class PopoverView {
  public:
    virtual ~PopoverView() = default;

    // The drag arithmetic to forward edge events to; nullptr detaches. Not owned.
    virtual void setResizeTracker(PopoverResize* resize) = 0;
    // Shows below `positioningRect` (screen coordinates, the status item's button), or where
    // the desktop places it when there is none.
    virtual void show(std::optional<platform::Rect> positioningRect, bool animated) = 0;
    virtual void close() = 0;
    virtual bool isShown() const = 0;
    virtual void setContentSize(platform::Size size) = 0;
    // Called when the user clicked (left or right button) outside the popover, or the
    // desktop dismissed it; the owner then runs its close sequence.
    virtual void setDismissHandler(std::function<void()> handler) = 0;
};
