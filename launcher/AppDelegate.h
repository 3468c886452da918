#pragma once

#include <filesystem>
#include <string>

#include "platform/workspace/Application.h"

namespace launcher {

// The login item's whole work: at login, start the agent whose bundle holds the launcher,
// unless it already runs, and quit.
class AppDelegate : public platform::ApplicationDelegate {
  public:
    void applicationDidFinishLaunching(platform::Application& app) override;

    // The agent's identifier: the launcher's with every ".launcher" taken out.
    static std::string agentIdentifier(const std::string& launcherIdentifier);
    // The bundle four levels up (.../X.app/Contents/Library/LoginItems/Launcher.app → X.app).
    static std::filesystem::path agentBundlePath(const std::filesystem::path& launcherBundle);
};

}  // namespace launcher
