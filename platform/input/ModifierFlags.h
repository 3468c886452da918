#pragma once

#include <cstdint>

namespace platform {

// Modifier-key flags with the values of the OS the system was designed for; the Linux side
// maps X11 masks onto them.
struct ModifierFlags {
    static constexpr uint64_t capsLock = 0x10000;
    static constexpr uint64_t shift = 0x20000;
    static constexpr uint64_t control = 0x40000;
    static constexpr uint64_t option = 0x80000;
    static constexpr uint64_t command = 0x100000;
    static constexpr uint64_t function = 0x800000;
    // The device-independent part, which is all that shortcuts and menus look at.
    static constexpr uint64_t deviceIndependentMask = 0xffff0000;
};

// Which modifier keys are held down right now (the OS's "current modifier flags").
class ModifierFlagsSource {
  public:
    virtual ~ModifierFlagsSource() = default;
    virtual uint64_t currentModifierFlags() const = 0;
};

}  // namespace platform
