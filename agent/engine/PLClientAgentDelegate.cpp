#include "agent/engine/PLClientAgentDelegate.h"

#include "platform/coding/KeyedArchive.h"
#include "platform/coding/OldStylePropertyList.h"
#include "platform/core/Log.h"

using namespace platform;

namespace {
constexpr FourCharCode kEngineClass = FourCharCode::make("PL90");
constexpr FourCharCode kCommandID = FourCharCode::make("Cmd_");
constexpr FourCharCode kCommandKey = FourCharCode::make("c000");
constexpr FourCharCode kParam1Key = FourCharCode::make("p001");
constexpr FourCharCode kParam2Key = FourCharCode::make("p002");
// Wait for the reply, never interact, can switch layer.
constexpr int32_t kSendOptions = 0x53;
// Launch hidden, without activation.
constexpr uint64_t kAgentModeLaunchOptions = 0x100200;
}  // namespace

PLClientAgentDelegate::PLClientAgentDelegate(UserDefaults& standardDefaults,
                                             PurlaneServerConnection& server, Workspace& workspace,
                                             AppleEventManager& events)
    : standardDefaults_(standardDefaults),
      server_(server),
      workspace_(workspace),
      events_(events) {}

bool PLClientAgentDelegate::ensureEngineRunning() {
    const auto id = server_.engineBundleIdentifier();
    if (id && !workspace_.runningApplicationsWithBundleIdentifier(*id).empty()) return true;
    PropertyList::Dictionary configuration;
    configuration.set(kLaunchConfigurationArguments,
                      PropertyList::Array{PurlaneServerConnection::kAgentModeArgument});
    return server_.launchEngine(configuration, kAgentModeLaunchOptions);
}

void PLClientAgentDelegate::cleanRequest(Pasteboard& pasteboard, const std::string& cleaner) {
    if (standardDefaults_.boolForKey(kPL8ConnectKey)) {
        cleanWithVersion8(pasteboard, cleaner);
        return;
    }
    if (!ensureEngineRunning()) return;
    const auto id = server_.engineBundleIdentifier();
    if (!id) return;

    AppleEvent event(kEngineClass, kCommandID, *id);
    event.setParamDescriptor(kCommandKey, AppleEventDescriptor::string("cleanPasteboard"));
    event.setParamDescriptor(kParam1Key, AppleEventDescriptor::string(pasteboard.name()));
    event.setParamDescriptor(kParam2Key, AppleEventDescriptor::string(cleaner));
    // Blocks until the engine has cleaned the pasteboard, or the time-out.
    const AESendResult result = events_.send(event, kSendOptions, kAEDefaultTimeout);
    if (result.error != OSErr::kNoErr) print("Error = " + std::to_string(result.error));
}

void PLClientAgentDelegate::cleanWithVersion8(Pasteboard& pasteboard, const std::string& cleaner) {
    // The launch check still concerns the current engine, as the version-8 one is reached by
    // its own identifier.
    if (!ensureEngineRunning()) return;
    Purlane8Connector connector(events_);
    auto reply = connector.cleanPasteboard(pasteboard, cleaner);
    if (reply) print("purlane 8 send result = " + OldStylePropertyList::write(*reply));
}
