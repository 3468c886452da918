#pragma once

#include "platform/ui/Sounds.h"

namespace platform {

// Linux has none of the OS's named sounds; the beep is the display's bell.
class BellSounds : public Sounds {
  public:
    bool play(const std::string& name) override;
    void beep() override;
};

}  // namespace platform
