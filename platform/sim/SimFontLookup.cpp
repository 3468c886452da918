#include "platform/sim/SimFontLookup.h"

#include <utility>

namespace platform {

SimFontLookup::SimFontLookup(std::set<std::string> installed)
    : installed_(installed.begin(), installed.end()) {}

bool SimFontLookup::hasFont(const std::string& name) const {
    return installed_.contains(name);
}

void SimFontLookup::install(const std::string& name) {
    installed_.insert(name);
}

void SimFontLookup::uninstall(const std::string& name) {
    installed_.erase(name);
}

}  // namespace platform
