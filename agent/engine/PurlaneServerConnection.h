#pragma once

#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/Sounds.h"
#include "platform/workspace/Workspace.h"

// Finds the engine through the shared settings, starts it and quits the instances the agent
// started hidden.
class PurlaneServerConnection {
  public:
    static constexpr const char* kEngineBundleIdKey = "engine.bundle.id";
    static constexpr const char* kEngineBundleUrlKey = "engine.bundle.url";
    static constexpr const char* kAgentModeArgument = "--agentmode";

    // `settings` is the shared suite the engine writes.
    PurlaneServerConnection(platform::UserDefaults& settings, platform::Workspace& workspace,
                            platform::Sounds& sounds);

    // The three identifiers the agent accepts, in order.
    static bool isAcceptedEngineIdentifier(const std::string& id);

    std::optional<std::string> engineBundleIdentifier() const;
    std::optional<platform::Url> engineURL() const;
    bool launchEngine(const platform::PropertyList::Dictionary& configuration, uint64_t options);
    // Terminates every running engine in agent mode (accessory); whether any was asked.
    bool quitAgentModeEngines();
    // Quits agent-mode engines, then starts the engine for the user.
    void launchEngineForUser();

  private:
    platform::UserDefaults& settings_;
    platform::Workspace& workspace_;
    platform::Sounds& sounds_;
};
