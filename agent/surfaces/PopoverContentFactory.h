#pragma once

#include <memory>

#include "agent/surfaces/PopoverContent.h"
#include "agent/surfaces/PopoverLayout.h"

// Makes the content controller of a popover layout.
class PopoverContentFactory {
  public:
    virtual ~PopoverContentFactory() = default;
    virtual std::unique_ptr<PopoverContent> makeContentController(PopoverLayout layout) = 0;
};
