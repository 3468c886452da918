#include "platform/sim/SimDefaultsStore.h"

#include <vector>

namespace platform {

DefaultsStore::Snapshot SimDefaultsStore::domain(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto it = domains_.find(name);
    if (it != domains_.end()) return it->second;
    static const Snapshot empty = std::make_shared<const PropertyList::Dictionary>();
    return empty;
}

Status SimDefaultsStore::setValue(const std::string& domain, const std::string& key,
                                  std::optional<PropertyList> value) {
    {
        std::lock_guard lock(mutex_);
        auto it = domains_.find(domain);
        auto copy = it != domains_.end() ? std::make_shared<PropertyList::Dictionary>(*it->second)
                                         : std::make_shared<PropertyList::Dictionary>();
        if (value) {
            copy->set(key, std::move(*value));
        } else {
            copy->erase(key);
        }
        domains_[domain] = std::move(copy);
        ++writes_;
    }
    changed(domain);
    return Ok{};
}

Status SimDefaultsStore::setDomain(const std::string& domain,
                                   const PropertyList::Dictionary& values) {
    {
        std::lock_guard lock(mutex_);
        domains_[domain] = std::make_shared<const PropertyList::Dictionary>(values);
        ++writes_;
    }
    changed(domain);
    return Ok{};
}

Status SimDefaultsStore::removeDomain(const std::string& domain) {
    {
        std::lock_guard lock(mutex_);
        domains_.erase(domain);
        ++writes_;
    }
    changed(domain);
    return Ok{};
}

ObserverToken SimDefaultsStore::observeChanges(ChangeCallback callback) {
    std::lock_guard lock(mutex_);
    const ObserverToken token = next_++;
    observers_[token] = std::make_shared<ChangeCallback>(std::move(callback));
    return token;
}

void SimDefaultsStore::removeChangeObserver(ObserverToken token) {
    std::lock_guard lock(mutex_);
    observers_.erase(token);
}

size_t SimDefaultsStore::writeCount() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

void SimDefaultsStore::changed(const std::string& domain) {
    // Callbacks run without the lock: they read the store again.
    std::vector<std::shared_ptr<ChangeCallback>> callbacks;
    {
        std::lock_guard lock(mutex_);
        for (auto& [token, cb] : observers_) callbacks.push_back(cb);
    }
    for (auto& cb : callbacks) (*cb)(domain);
}

}  // namespace platform
