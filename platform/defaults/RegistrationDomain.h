#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"

namespace platform {

// The volatile registration domain: fallback values registered at start-up, shared by every
// defaults object of the process and never stored.
class RegistrationDomain {
  public:
    // Adds or replaces the given keys.
    void registerDefaults(const PropertyList::Dictionary& values);
    std::optional<PropertyList> find(const std::string& key) const;
    PropertyList::Dictionary contents() const;
    // Increases with every registration, so observers can tell something changed.
    uint64_t generation() const;

  private:
    mutable std::mutex mutex_;
    PropertyList::Dictionary values_;
    uint64_t generation_ = 0;
};

}  // namespace platform
