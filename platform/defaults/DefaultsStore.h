#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"
#include "platform/notifications/NotificationCenter.h"

namespace platform {

// Where the persistent defaults domains live (files on Linux, memory in the sim). Shared by all
// defaults objects of a process; on Linux also by every process of the user.
class DefaultsStore {
  public:
    using Snapshot = std::shared_ptr<const PropertyList::Dictionary>;
    using ChangeCallback = std::function<void(const std::string& domain)>;

    virtual ~DefaultsStore() = default;

    // The domain's current contents (empty when it does not exist). Cheap when nothing changed
    // since the last call, also when another process may have written meanwhile.
    virtual Snapshot domain(const std::string& name) = 0;

    // Applies one change (a value, or removal when `value` is nothing) without losing anybody
    // else's: the stored domain is re-read, changed and replaced as a whole.
    virtual Status setValue(const std::string& domain, const std::string& key,
                            std::optional<PropertyList> value) = 0;
    virtual Status setDomain(const std::string& domain, const PropertyList::Dictionary& values) = 0;
    virtual Status removeDomain(const std::string& domain) = 0;

    // Called with a domain's name when it may have changed, by this process or another. May be
    // called on any thread.
    virtual ObserverToken observeChanges(ChangeCallback callback) = 0;
    virtual void removeChangeObserver(ObserverToken token) = 0;
};

}  // namespace platform
