#pragma once

#include <memory>
#include <vector>

#include "platform/core/MainQueue.h"
#include "platform/notifications/DistributedNotificationCenter.h"

namespace platform {

class SimDistributedCenter;

// The session-wide channel of a sim world: a post reaches the centre of every simulated process.
class SimDistributedBus {
  public:
    void attach(SimDistributedCenter* center);
    void detach(SimDistributedCenter* center);
    void broadcast(const DistributedNotification& notification);
    // Every notification posted so far, for tests.
    const std::vector<DistributedNotification>& history() const { return history_; }

  private:
    std::vector<SimDistributedCenter*> centers_;
    std::vector<DistributedNotification> history_;
};

// One process's distributed centre: deliveries go through its main queue.
class SimDistributedCenter : public DistributedNotificationCenter {
  public:
    SimDistributedCenter(SimDistributedBus& bus, MainQueue& mainQueue);
    ~SimDistributedCenter() override;

    using DistributedNotificationCenter::post;
    void post(const DistributedNotification& notification) override;
    ObserverToken addObserver(const std::string& name, std::optional<std::string> object,
                              Callback callback) override;
    void removeObserver(ObserverToken token) override;

    // Called by the bus.
    void deliver(const DistributedNotification& notification);

  private:
    SimDistributedBus& bus_;
    MainQueue& mainQueue_;
    DistributedObserverList observers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
