#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/workspace/LoginItems.h"

namespace platform {

// Login items held in memory. Only the helpers in `installed` can be registered; `failing`
// makes every request fail, as a refused registration does.
class SimLoginItems : public LoginItems {
  public:
    bool setEnabled(const std::string& bundleIdentifier, bool enabled) override {
        requests.emplace_back(bundleIdentifier, enabled);
        if (failing) return false;
        if (!enabled) {
            registered.erase(bundleIdentifier);
            return true;
        }
        if (!installed.count(bundleIdentifier)) return false;
        registered.insert(bundleIdentifier);
        return true;
    }

    std::set<std::string> installed;
    std::set<std::string> registered;
    std::vector<std::pair<std::string, bool>> requests;
    bool failing = false;
};

}  // namespace platform
