#pragma once

#include <cstdint>

#include "agent/prefs/PLPrefsViewController.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/workspace/Bundle.h"
#include "platform/workspace/Workspace.h"

// The Advanced pane: the version-8 library, the develop option, the launch watcher, and the
// settings of the apply pipeline.
class PLAgentPrefsAdvancedController : public PLPrefsViewController {
  public:
    static constexpr const char* kGroupsChanged = "com.purlane.groupsChanged";
    static constexpr const char* kLaunchWatcher = "purlaneLaunchWatcher.app";

    struct Services {
        platform::UserDefaults& defaults;
        // The shared settings suite: the apply pipeline reads AutoSelectAll and
        // PreserveClipboard there, so the pane writes them there.
        platform::UserDefaults& settings;
        platform::DistributedNotificationCenter& center;
        platform::Workspace& workspace;
        const platform::Bundle& bundle;
    };

    explicit PLAgentPrefsAdvancedController(Services services) : s_(services) {}

    std::string keyName() const override { return "advanced"; }
    std::string itemLabel() const override;
    std::optional<std::string> imageName11() const override { return "gearshape.2"; }

    void togglePL8CompatibilityMode();
    void toggleDevelopOption();
    // Opens the launch watcher shipped in the agent's shared support; false when there is none
    // or it could not be started.
    bool launchPurlaneWatcher();

    // Settings: each setter stores the value; the two toggles also tell the other parts.
    bool pl8Connect() const;
    void setPL8Connect(bool on);
    bool showDevelop() const;
    void setShowDevelop(bool on);
    bool leaveOtherAgents() const;
    void setLeaveOtherAgents(bool on);
    int64_t keystrokeDelay() const;
    // Kept to 0…kMaxKeystrokeDelay: a larger pause would only stall every apply.
    void setKeystrokeDelay(int64_t delay);
    bool autoSelectAll() const;
    void setAutoSelectAll(bool on);
    bool preserveClipboard() const;
    void setPreserveClipboard(bool on);

    static constexpr int64_t kMaxKeystrokeDelay = 10;

  private:
    Services s_;
};
