#include "platform/sim/SimAppleEvents.h"

#include <algorithm>

#include "platform/sim/SimProcess.h"

namespace platform {

namespace {
// A reply is an event of its own: class 'aevt', ID 'ansr'.
constexpr FourCharCode kCoreEventClass = FourCharCode::make("aevt");
constexpr FourCharCode kAnswer = FourCharCode::make("ansr");
}  // namespace

void SimAppleEventBus::registerManager(SimAppleEventManager* manager) {
    if (std::find(managers_.begin(), managers_.end(), manager) == managers_.end())
        managers_.push_back(manager);
}

void SimAppleEventBus::unregisterManager(SimAppleEventManager* manager) {
    std::erase(managers_, manager);
}

SimAppleEventManager* SimAppleEventBus::find(const std::string& bundleIdentifier) const {
    for (SimAppleEventManager* m : managers_)
        if (m->bundleIdentifier() == bundleIdentifier) return m;
    return nullptr;
}

size_t SimAppleEventBus::record(SimSentAppleEvent sent) {
    history_.push_back(std::move(sent));
    return history_.size() - 1;
}

void SimAppleEventBus::setResult(size_t index, int error) {
    if (index < history_.size()) history_[index].error = error;
}

int16_t SimAppleEventBus::nextReturnID() {
    // Positive and never kAutoGenerateReturnID, wrapping as the OS's 16-bit IDs do.
    lastReturnID_ = lastReturnID_ == INT16_MAX ? 1 : int16_t(lastReturnID_ + 1);
    return lastReturnID_;
}

SimAppleEventManager::SimAppleEventManager(SimAppleEventBus& bus, std::string bundleIdentifier,
                                           SimMainQueue& mainQueue, SimWorld& world)
    : bus_(bus),
      bundleIdentifier_(std::move(bundleIdentifier)),
      mainQueue_(mainQueue),
      world_(world) {
    if (!bundleIdentifier_.empty()) bus_.registerManager(this);
}

SimAppleEventManager::SimAppleEventManager(SimAppleEventBus& bus, SimProcess& process)
    : SimAppleEventManager(bus, process.bundleIdentifier(), process.mainQueue(), process.world()) {}

SimAppleEventManager::~SimAppleEventManager() {
    *alive_ = false;
    bus_.unregisterManager(this);
}

void SimAppleEventManager::setEventHandler(FourCharCode eventClass, FourCharCode eventID,
                                           Handler handler) {
    handlers_.set(eventClass, eventID, std::move(handler));
}

void SimAppleEventManager::removeEventHandler(FourCharCode eventClass, FourCharCode eventID) {
    handlers_.remove(eventClass, eventID);
}

void SimAppleEventManager::setHung(bool hung) {
    hung_ = hung;
    if (hung_) return;
    auto held = std::move(held_);
    held_.clear();
    for (const AppleEvent& event : held) enqueue(event);
}

void SimAppleEventManager::terminate() {
    terminated_ = true;
    held_.clear();
    bus_.unregisterManager(this);
}

AESendResult SimAppleEventManager::send(const AppleEvent& event, int32_t mode, double timeout) {
    AppleEvent delivered = event;
    if (delivered.returnID() == kAutoGenerateReturnID) delivered.setReturnID(bus_.nextReturnID());
    // Recorded before delivery so that sends made by the handler come after this one.
    const size_t index = bus_.record({bundleIdentifier_, delivered, mode, timeout, OSErr::kNoErr});
    AESendResult result = deliver(delivered, mode, timeout);
    bus_.setResult(index, result.error);
    return result;
}

AESendResult SimAppleEventManager::deliver(const AppleEvent& event, int32_t mode, double timeout) {
    SimAppleEventManager* target = bus_.find(event.targetBundleID());
    if (!target) return {OSErr::kProcNotFound, {}};
    if ((mode & AESendMode::kWaitReply) != AESendMode::kWaitReply) {
        target->enqueue(event);
        return {};
    }
    const double limit = timeout < 0 ? kDefaultTimeout : timeout;
    if (target->hung_ || target->handlerDelay_ > limit) {
        // The sender gives up after the time-out; the receiver still gets the event.
        world_.sleep(limit);
        target->enqueue(event);
        return {OSErr::kTimeout, {}};
    }
    AESendResult result;
    result.reply = target->handle(event, result.error);
    return result;
}

void SimAppleEventManager::enqueue(const AppleEvent& event) {
    if (hung_) {
        held_.push_back(event);
        return;
    }
    mainQueue_.async([this, alive = alive_, event] {
        if (!*alive || terminated_) return;
        int error = OSErr::kNoErr;
        handle(event, error);
    });
}

AppleEvent SimAppleEventManager::handle(const AppleEvent& event, int& error) {
    AppleEvent reply(kCoreEventClass, kAnswer, std::string(), event.returnID(),
                     event.transactionID());
    error = handlers_.dispatch(event, reply);
    // The handler keeps this process's main thread busy for that long.
    world_.sleep(handlerDelay_);
    return reply;
}

}  // namespace platform
