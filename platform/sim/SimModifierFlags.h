#pragma once

#include <cstdint>

#include "platform/input/ModifierFlags.h"

namespace platform {

// Modifier keys a test holds down.
class SimModifierFlags : public ModifierFlagsSource {
  public:
    uint64_t currentModifierFlags() const override { return flags_; }
    void setFlags(uint64_t flags) { flags_ = flags; }
    void press(uint64_t flags) { flags_ |= flags; }
    void release(uint64_t flags) { flags_ &= ~flags; }

  private:
    uint64_t flags_ = 0;
};

}  // namespace platform
