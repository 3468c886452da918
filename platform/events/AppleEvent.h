#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Result.h"
#include "platform/events/AppleEventDescriptor.h"

namespace platform {

// OS error numbers of the event manager.
namespace OSErr {
constexpr int kNoErr = 0;
constexpr int kParamErr = -50;
constexpr int kProcNotFound = -600;
constexpr int kEventNotHandled = -1708;  // errAEEventNotHandled
constexpr int kTimeout = -1712;          // errAETimeout
}  // namespace OSErr

// Send modes (combinable).
namespace AESendMode {
constexpr int32_t kNoReply = 0x1;
constexpr int32_t kQueueReply = 0x2;
constexpr int32_t kWaitReply = 0x3;
constexpr int32_t kNeverInteract = 0x10;
constexpr int32_t kCanSwitchLayer = 0x40;
constexpr int32_t kDontRecord = 0x1000;
}  // namespace AESendMode

// The OS's default time-out; the platform decides how long that is (about a minute).
constexpr double kAEDefaultTimeout = -1;
constexpr int16_t kAutoGenerateReturnID = -1;
constexpr int32_t kAnyTransactionID = 0;

// One Apple event: class, ID, target application (by bundle identifier), and its parameters
// and attributes as records keyed by four-character codes.
class AppleEvent {
  public:
    AppleEvent() = default;
    AppleEvent(FourCharCode eventClass, FourCharCode eventID, std::string targetBundleID,
               int16_t returnID = kAutoGenerateReturnID, int32_t transactionID = kAnyTransactionID);

    FourCharCode eventClass() const { return eventClass_; }
    FourCharCode eventID() const { return eventID_; }
    const std::string& targetBundleID() const { return target_; }
    void setTargetBundleID(std::string id) { target_ = std::move(id); }
    int16_t returnID() const { return returnID_; }
    void setReturnID(int16_t id) { returnID_ = id; }
    int32_t transactionID() const { return transactionID_; }

    const AppleEventDescriptor* paramDescriptorForKeyword(FourCharCode key) const {
        return params_.descriptorForKeyword(key);
    }
    void setParamDescriptor(FourCharCode key, AppleEventDescriptor value) {
        params_.setDescriptor(key, std::move(value));
    }
    const AppleEventDescriptor& parameters() const { return params_; }

    const AppleEventDescriptor* attributeDescriptorForKeyword(FourCharCode key) const {
        return attributes_.descriptorForKeyword(key);
    }
    void setAttributeDescriptor(FourCharCode key, AppleEventDescriptor value) {
        attributes_.setDescriptor(key, std::move(value));
    }
    const AppleEventDescriptor& attributes() const { return attributes_; }

    friend bool operator==(const AppleEvent& a, const AppleEvent& b);

  private:
    friend class AppleEventCodec;

    FourCharCode eventClass_;
    FourCharCode eventID_;
    std::string target_;
    int16_t returnID_ = kAutoGenerateReturnID;
    int32_t transactionID_ = kAnyTransactionID;
    AppleEventDescriptor params_ = AppleEventDescriptor::record();
    AppleEventDescriptor attributes_ = AppleEventDescriptor::record();
};

// Events and replies on the wire between processes. The decoder takes outside input: anything
// malformed is an error, never a crash or an unbounded allocation.
class AppleEventCodec {
  public:
    static std::string encode(const AppleEvent& event);
    static Result<AppleEvent> decode(std::string_view bytes);
    static std::string encodeDescriptor(const AppleEventDescriptor& desc);
    static Result<AppleEventDescriptor> decodeDescriptor(std::string_view bytes);

  private:
    class Reader;
};

}  // namespace platform
