#pragma once

#include <string>

namespace platform {

// System sounds: named sounds and the alert beep.
class Sounds {
  public:
    virtual ~Sounds() = default;
    // Plays the named system sound; false when there is no such sound here.
    virtual bool play(const std::string& name) = 0;
    virtual void beep() = 0;
};

}  // namespace platform
