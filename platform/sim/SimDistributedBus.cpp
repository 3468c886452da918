#include "platform/sim/SimDistributedBus.h"

#include <algorithm>

namespace platform {

void SimDistributedBus::attach(SimDistributedCenter* center) {
    centers_.push_back(center);
}

void SimDistributedBus::detach(SimDistributedCenter* center) {
    std::erase(centers_, center);
}

void SimDistributedBus::broadcast(const DistributedNotification& notification) {
    history_.push_back(notification);
    const auto centers = centers_;
    for (SimDistributedCenter* c : centers) c->deliver(notification);
}

SimDistributedCenter::SimDistributedCenter(SimDistributedBus& bus, MainQueue& mainQueue)
    : bus_(bus), mainQueue_(mainQueue) {
    bus_.attach(this);
}

SimDistributedCenter::~SimDistributedCenter() {
    *alive_ = false;
    bus_.detach(this);
}

void SimDistributedCenter::post(const DistributedNotification& notification) {
    bus_.broadcast(notification);
}

ObserverToken SimDistributedCenter::addObserver(const std::string& name,
                                                std::optional<std::string> object,
                                                Callback callback) {
    return observers_.add(name, std::move(object), std::move(callback));
}

void SimDistributedCenter::removeObserver(ObserverToken token) {
    observers_.remove(token);
}

void SimDistributedCenter::deliver(const DistributedNotification& notification) {
    // Matched at delivery time, as a real bus would when the signal arrives.
    mainQueue_.async([this, alive = alive_, notification] {
        if (!*alive) return;
        for (const auto& cb : observers_.matching(notification)) (*cb)(notification);
    });
}

}  // namespace platform
