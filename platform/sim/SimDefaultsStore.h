#pragma once

#include <map>
#include <mutex>

#include "platform/defaults/DefaultsStore.h"

namespace platform {

// Persistent domains in memory, shared by every simulated process of a world.
class SimDefaultsStore : public DefaultsStore {
  public:
    Snapshot domain(const std::string& name) override;
    Status setValue(const std::string& domain, const std::string& key,
                    std::optional<PropertyList> value) override;
    Status setDomain(const std::string& domain, const PropertyList::Dictionary& values) override;
    Status removeDomain(const std::string& domain) override;
    ObserverToken observeChanges(ChangeCallback callback) override;
    void removeChangeObserver(ObserverToken token) override;

    // Number of writes so far, for tests that check nothing was written.
    size_t writeCount() const;

  private:
    void changed(const std::string& domain);

    mutable std::mutex mutex_;
    std::map<std::string, Snapshot> domains_;
    std::map<ObserverToken, std::shared_ptr<ChangeCallback>> observers_;
    ObserverToken next_ = 1;
    size_t writes_ = 0;
};

}  // namespace platform
