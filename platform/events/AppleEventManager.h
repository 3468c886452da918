#pragma once

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/events/AppleEvent.h"

namespace platform {

// What a send gives back: the OS error number and, when waited for, the reply event.
struct AESendResult {
    int error = OSErr::kNoErr;
    AppleEvent reply;
};

// Sending and receiving Apple events. Handlers run on the receiving process's main queue;
// what a handler puts in `reply` (parameters) goes back to the sender, and a non-zero return
// reaches the sender as the result of its send (and as the reply's "errn").
class AppleEventManager {
  public:
    using Handler = std::function<int(const AppleEvent& event, AppleEvent& reply)>;
    virtual ~AppleEventManager() = default;

    // Sends to the application registered with the event's target bundle identifier (the
    // first instance). With a wait-reply mode the calling thread blocks, processing no events,
    // until the reply or the time-out (seconds; kAEDefaultTimeout for the OS's default).
    // procNotFound at once when no such application runs.
    virtual AESendResult send(const AppleEvent& event, int32_t mode, double timeout) = 0;

    virtual void setEventHandler(FourCharCode eventClass, FourCharCode eventID,
                                 Handler handler) = 0;
    virtual void removeEventHandler(FourCharCode eventClass, FourCharCode eventID) = 0;
};

// Handlers by class and ID with the OS's dispatch rules, shared by the implementations: the
// receiving side looks up, runs and fills in the reply (errEventNotHandled when none).
class AppleEventHandlerTable {
  public:
    void set(FourCharCode eventClass, FourCharCode eventID, AppleEventManager::Handler handler);
    void remove(FourCharCode eventClass, FourCharCode eventID);
    // Runs the handler for `event`; returns the error number (also stored as "errn" in the
    // reply when non-zero).
    int dispatch(const AppleEvent& event, AppleEvent& reply) const;
    bool has(FourCharCode eventClass, FourCharCode eventID) const;

  private:
    std::vector<std::tuple<FourCharCode, FourCharCode, std::shared_ptr<AppleEventManager::Handler>>>
        handlers_;
};

}  // namespace platform
