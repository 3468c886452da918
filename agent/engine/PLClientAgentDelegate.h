#pragma once

#include "agent/engine/PLClientDelegate.h"
#include "agent/engine/Purlane8Connector.h"
#include "agent/engine/PurlaneServerConnection.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/events/AppleEventManager.h"
#include "platform/workspace/Workspace.h"

// Performs clean requests through the engine: starts it hidden when it does not run, then asks
// it by Apple event to clean the pasteboard in place, waiting for the reply.
class PLClientAgentDelegate : public PLClientDelegate {
  public:
    static constexpr const char* kPL8ConnectKey = "PL8Connect";

    // `standardDefaults` holds "PL8Connect".
    PLClientAgentDelegate(platform::UserDefaults& standardDefaults, PurlaneServerConnection& server,
                          platform::Workspace& workspace, platform::AppleEventManager& events);

    void cleanRequest(platform::Pasteboard& pasteboard, const std::string& cleaner) override;

  private:
    // Starts the engine in agent mode unless it runs; false when it could not be started.
    bool ensureEngineRunning();
    void cleanWithVersion8(platform::Pasteboard& pasteboard, const std::string& cleaner);

    platform::UserDefaults& standardDefaults_;
    PurlaneServerConnection& server_;
    platform::Workspace& workspace_;
    platform::AppleEventManager& events_;
};
