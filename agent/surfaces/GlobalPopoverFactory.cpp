#include "agent/surfaces/GlobalPopoverFactory.h"

#include "agent/surfaces/GlobalPopover.h"
#include "agent/surfaces/GlobalPopover2.h"

std::unique_ptr<PopoverContent> GlobalPopoverFactory::makeContentController(PopoverLayout layout) {
    if (layout == PopoverLayout::split) return std::make_unique<GlobalPopover>(content_, sidebar_);
    return std::make_unique<GlobalPopover2>(content_);
}
