#pragma once

#include <set>
#include <string>

#include "platform/ui/FontLookup.h"

namespace platform {

// The fonts a test says are installed.
class SimFontLookup : public FontLookup {
  public:
    SimFontLookup() = default;
    explicit SimFontLookup(std::set<std::string> installed);

    bool hasFont(const std::string& name) const override;
    void install(const std::string& name);
    void uninstall(const std::string& name);

  private:
    std::set<std::string, std::less<>> installed_;
};

}  // namespace platform
