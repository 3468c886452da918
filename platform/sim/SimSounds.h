#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/ui/Sounds.h"

namespace platform {

// Records what was played; only the names in `installed` exist.
class SimSounds : public Sounds {
  public:
    bool play(const std::string& name) override {
        if (!installed.count(name)) return false;
        played.push_back(name);
        return true;
    }
    void beep() override { ++beeps; }

    std::set<std::string> installed;
    std::vector<std::string> played;
    int beeps = 0;
};

}  // namespace platform
