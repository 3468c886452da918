#pragma once

#include "agent/surfaces/PopoverViewFactory.h"

// Popover windows with Qt widgets: a PopoverWindow holding the content's GlobalPopoverView.
class QtPopoverViewFactory : public PopoverViewFactory {
  public:
    std::unique_ptr<PopoverView> makePopoverView(PopoverLayout layout,
                                                 PopoverContent& content) override;
    platform::Rect mainScreenVisibleFrame() const override;
};
