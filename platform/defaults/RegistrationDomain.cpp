#include "platform/defaults/RegistrationDomain.h"

namespace platform {

void RegistrationDomain::registerDefaults(const PropertyList::Dictionary& values) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : values) values_.set(key, value);
    ++generation_;
}

std::optional<PropertyList> RegistrationDomain::find(const std::string& key) const {
    std::lock_guard lock(mutex_);
    if (const PropertyList* v = values_.find(key)) return *v;
    return std::nullopt;
}

PropertyList::Dictionary RegistrationDomain::contents() const {
    std::lock_guard lock(mutex_);
    return values_;
}

uint64_t RegistrationDomain::generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

}  // namespace platform
