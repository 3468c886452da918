#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/events/AppleEventManager.h"
#include "platform/sim/SimWorld.h"

namespace platform {

class SimAppleEventManager;
class SimProcess;

// One send as the bus saw it.
struct SimSentAppleEvent {
    std::string sender;  // the sending manager's bundle identifier
    AppleEvent event;    // as delivered, with its return ID filled in
    int32_t mode = 0;
    double timeout = 0;
    int error = OSErr::kNoErr;  // what send() gave back
};

// The event routing of a sim world, owned by the test: managers register under their bundle
// identifier and events go to the first one registered with the target's identifier, as the
// OS picks the first instance. Must outlive the managers attached to it.
class SimAppleEventBus {
  public:
    void registerManager(SimAppleEventManager* manager);
    // The process no longer receives events (it quit); a later instance takes over routing.
    void unregisterManager(SimAppleEventManager* manager);
    SimAppleEventManager* find(const std::string& bundleIdentifier) const;

    // Every send so far, in the order they were made.
    const std::vector<SimSentAppleEvent>& history() const { return history_; }
    void clearHistory() { history_.clear(); }

    // For the managers.
    size_t record(SimSentAppleEvent sent);
    void setResult(size_t index, int error);
    int16_t nextReturnID();

  private:
    std::vector<SimAppleEventManager*> managers_;
    std::vector<SimSentAppleEvent> history_;
    int16_t lastReturnID_ = 0;
};

// One simulated process's event manager. The sim is one thread, so a wait-reply send runs the
// target's handler right away (the sender blocks while the receiver handles) and the virtual
// clock moves by the handler's delay; other sends queue the event on the target's main queue.
// The reply of a queue-reply send is dropped.
class SimAppleEventManager : public AppleEventManager {
  public:
    // What the OS's default time-out stands for here.
    static constexpr double kDefaultTimeout = 60;

    // Registers with the bus unless `bundleIdentifier` is empty (a tool that only sends).
    SimAppleEventManager(SimAppleEventBus& bus, std::string bundleIdentifier,
                         SimMainQueue& mainQueue, SimWorld& world);
    SimAppleEventManager(SimAppleEventBus& bus, SimProcess& process);
    ~SimAppleEventManager() override;
    SimAppleEventManager(const SimAppleEventManager&) = delete;
    SimAppleEventManager& operator=(const SimAppleEventManager&) = delete;

    AESendResult send(const AppleEvent& event, int32_t mode, double timeout) override;
    void setEventHandler(FourCharCode eventClass, FourCharCode eventID, Handler handler) override;
    void removeEventHandler(FourCharCode eventClass, FourCharCode eventID) override;

    const std::string& bundleIdentifier() const { return bundleIdentifier_; }
    bool hasEventHandler(FourCharCode eventClass, FourCharCode eventID) const {
        return handlers_.has(eventClass, eventID);
    }

    // How long (virtual seconds) each handler takes; beyond a sender's time-out it gets
    // errAETimeout and the event is handled later.
    void setHandlerDelay(double seconds) { handlerDelay_ = seconds > 0 ? seconds : 0; }
    // A hung process handles nothing: waiting senders time out, and events wait until it
    // recovers.
    void setHung(bool hung);
    bool isHung() const { return hung_; }
    // The process is gone: sends to it fail with procNotFound and queued events are dropped.
    void terminate();
    bool isTerminated() const { return terminated_; }

  private:
    AESendResult deliver(const AppleEvent& event, int32_t mode, double timeout);
    // Hands the event to this process's main queue (or holds it while hung).
    void enqueue(const AppleEvent& event);
    AppleEvent handle(const AppleEvent& event, int& error);

    SimAppleEventBus& bus_;
    std::string bundleIdentifier_;
    SimMainQueue& mainQueue_;
    SimWorld& world_;
    AppleEventHandlerTable handlers_;
    double handlerDelay_ = 0;
    bool hung_ = false;
    bool terminated_ = false;
    std::vector<AppleEvent> held_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
