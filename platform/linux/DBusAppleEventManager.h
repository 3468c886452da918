#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "platform/events/AppleEventManager.h"

namespace platform {

// Apple events between processes of ours over the session bus: an event goes to the first
// registered instance of its target bundle identifier as a method call carrying the encoded
// event, and the encoded reply comes back as the call's answer.
//
// The receiving side is handle(), which the program's bus object calls on the main thread.
class DBusAppleEventManager : public AppleEventManager {
  public:
    // What the OS's default time-out (kAEDefaultTimeout) stands for, in seconds;
    // PURLANE_AE_DEFAULT_TIMEOUT overrides it (tests make it short).
    static constexpr double kDefaultTimeout = 60;
    static double defaultTimeout();

    AESendResult send(const AppleEvent& event, int32_t mode, double timeout) override;
    void setEventHandler(FourCharCode eventClass, FourCharCode eventID, Handler handler) override;
    void removeEventHandler(FourCharCode eventClass, FourCharCode eventID) override;

    // Decodes an event from the bus, runs its handler and encodes the reply. A payload that is
    // not an event gets a reply with "errn" paramErr.
    std::string handle(const std::string& encodedEvent);
    bool hasEventHandler(FourCharCode eventClass, FourCharCode eventID) const {
        return handlers_.has(eventClass, eventID);
    }

    // The pid of the first running instance of `bundleIdentifier`, as sends pick it.
    static std::optional<int> targetProcess(const std::string& bundleIdentifier);

  private:
    int16_t nextReturnID();

    AppleEventHandlerTable handlers_;
    std::atomic<int> lastReturnID_{0};
};

}  // namespace platform
