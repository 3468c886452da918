#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "agent/actions/GlobalActionsManager.h"
#include "agent/app/AgentGURLHandler.h"
#include "agent/app/PLServiceProvider.h"
#include "agent/engine/PLClient.h"
#include "agent/engine/PLClientAgentDelegate.h"
#include "agent/engine/PurlaneServerConnection.h"
#include "agent/help/AgentNavigator.h"
#include "agent/prefs/PLPreferencesOpener.h"
#include "agent/updates/AppUpdater.h"
#include "platform/Host.h"
#include "platform/input/Accessibility.h"
#include "platform/services/ServicesMenu.h"
#include "platform/workspace/Application.h"

// Brings the agent up in its fixed order and carries the application-wide menu actions.
class AppDelegate : public platform::ApplicationDelegate {
  public:
    struct Services {
        platform::Application& application;
        platform::Host& host;
        platform::Accessibility& accessibility;
        PLClient& client;
        PurlaneServerConnection& server;
        AgentGURLHandler& urlHandler;
        // What the system calls "~/Library".
        std::filesystem::path userLibrary;
        // The apply pipeline and (as they come) the status item and hot keys it owns.
        GlobalActionsManager* globalActions = nullptr;
        // The system Services menu the provider is registered with.
        platform::ServicesMenu* servicesMenu = nullptr;
    };

    // Agents of these identifiers, older ones and this one, are quit at start-up.
    static const std::vector<std::string>& otherAgentIdentifiers();
    static constexpr const char* kNextLaunchAction = "NextLaunchAction";
    static constexpr const char* kLastVersionRun = "LastVersionRun";
    static constexpr const char* kStandardServiceBundle = "purlaneStandard.pldynamicservice";
    static constexpr const char* kQuitQueueLabel = "agent_quit_action_queue";

    explicit AppDelegate(Services services);

    // Called with the name of each start-up step as it begins (diagnostics and tests).
    void setStepObserver(std::function<void(const std::string&)> observer) {
        stepObserver_ = std::move(observer);
    }

    void applicationWillFinishLaunching(platform::Application&) override;
    void applicationDidFinishLaunching(platform::Application&) override;
    // The Services provider made at start-up.
    PLServiceProvider* serviceProvider() const { return serviceProvider_.get(); }

    bool applicationShouldHandleReopen(platform::Application&, bool hasVisibleWindows) override;
    void applicationWillTerminate(platform::Application&) override {}

    // Distributed-notification observers.
    void groupsChanged();
    void purlane8groupsChanged(const std::string& notificationName);

    // Menu actions.
    // The stored pane "info" (an old name) opens the General pane instead.
    void showPreferencesWindow();
    void showPreferencesGeneral();
    void showAboutPanel();
    // Asks for the pane "notes", which the agent's window does not have: nothing opens.
    void showReleaseNotesPanel();
    void launchPurlaneApp();
    void showReleaseNotes();
    void showOnlineHelp();
    // With Option (0x80000) held, a check of the beta feed.
    void checkForAppUpdates(uint64_t modifierFlags);

    // The updater started at start-up and the help windows; either may be absent.
    void setUpdater(AppUpdater* updater) { updater_ = updater; }
    void setNavigator(AgentNavigator* navigator) { navigator_ = navigator; }
    // The preferences window; without one the preferences actions only activate the agent.
    void setPreferences(PLPreferencesOpener* preferences) { preferences_ = preferences; }
    // Menu actions start by closing the popover they may have been chosen in.
    void closePopover();

  private:
    void step(const std::string& name);
    void showPreferencesPanel(const std::string& name);
    void quitOtherAgents();
    void versionChangeCleanUp();

    Services s_;
    std::function<void(const std::string&)> stepObserver_;
    std::shared_ptr<PLClientAgentDelegate> engineDelegate_;
    std::unique_ptr<platform::SerialQueue> quitQueue_;
    AppUpdater* updater_ = nullptr;
    AgentNavigator* navigator_ = nullptr;
    PLPreferencesOpener* preferences_ = nullptr;
    std::unique_ptr<PLServiceProvider> serviceProvider_;
};
