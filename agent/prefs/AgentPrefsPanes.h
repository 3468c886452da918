#pragma once

#include <functional>
#include <string>
#include <vector>

#include "agent/prefs/AgentPreferencesController.h"
#include "agent/prefs/PLAgentPrefsGeneralController.h"
#include "agent/prefs/PLVendorPages.h"
#include "agent/updates/AppUpdater.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/workspace/Application.h"
#include "platform/workspace/LoginItems.h"
#include "platform/workspace/Workspace.h"

// The makers of the agent's own panes (General, Updates, Advanced, Develop, About), each pane
// given its widget. The Global HotKeys and Services panes are registered beside these by the
// program's composition.
class AgentPrefsPanes {
  public:
    struct Services {
        platform::UserDefaults& defaults;
        // The shared settings suite the apply pipeline reads.
        platform::UserDefaults& settings;
        platform::NotificationCenter& center;
        platform::DistributedNotificationCenter& distributedCenter;
        platform::LoginItems& loginItems;
        platform::Application& application;
        std::string bundleIdentifier;
        PLVendorPages& vendorPages;
        AppUpdater* updater = nullptr;
        std::function<void()> showReleaseNotes;
        std::function<std::vector<PLAgentPrefsGeneralController::GroupChoice>()> groupChoices;
    };

    static AgentPreferencesController::PaneMakers makers(const Services& services);
    // The Release Notes pane with its notes view; it is not in the agent's pane list.
    static std::shared_ptr<PLPrefsViewController> makeReleaseNotesPane(
        const platform::Bundle* bundle, platform::Workspace& workspace);
};
