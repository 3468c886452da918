#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/MainQueue.h"
#include "platform/core/UrlComponents.h"
#include "platform/events/AppleEventManager.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/workspace/Application.h"

class AppUpdater;

// Runs the commands other programs send the agent as URLs of its two schemes
// ("x-purlane-agent://update", "x-plagent://prefs?name=hotkeys", ...). URLs that arrive while
// the agent is starting wait in `pending` until `beginProcessing`, then run in arrival order.
// Main thread only.
class AgentGURLHandler {
  public:
    enum class Scheme { purlaneAgent, purlaneAgent2 };
    enum class ParamKey { beta, name };

    static std::string_view rawValue(Scheme scheme);
    static std::string_view rawValue(ParamKey key);
    // Exact, case-sensitive matches only.
    static std::optional<Scheme> schemeWithRawValue(std::string_view text);
    static std::optional<ParamKey> paramKeyWithRawValue(std::string_view text);

    static constexpr const char* kReceivedLine = "purlaneAgent url handler";
    static constexpr const char* kDefaultPane = "general";
    // Lets the URL's sender finish before the window takes the focus.
    static constexpr double kPrefsDelay = 1.0;

    struct Collaborators {
        // Brought forward by the update commands.
        platform::Application& application;
        // Runs the delayed pane opening.
        platform::MainQueue& mainQueue;
        // Where the update notice goes when there is no updater at all.
        platform::NotificationCenter& notificationCenter;
        // The application delegate's action of the same name.
        std::function<void()> launchPurlaneApp;
        // Shows the preferences window on the pane of that identifier.
        std::function<void(const std::string& identifier)> openPrefPane;
    };

    explicit AgentGURLHandler(Collaborators collaborators);
    AgentGURLHandler(const AgentGURLHandler&) = delete;
    AgentGURLHandler& operator=(const AgentGURLHandler&) = delete;

    // The process's instance; null until main makes one.
    static AgentGURLHandler* shared();
    static void setShared(AgentGURLHandler* handler);

    // May stay unset (no updates in this installation); then the update commands only
    // activate the agent and post the update notice.
    void setUpdater(AppUpdater* updater) { updater_ = updater; }

    // Handles "GURL"/"GURL" events from now on.
    void install(platform::AppleEventManager& events);
    int handleGURLEvent(const platform::AppleEvent& event, platform::AppleEvent& reply);
    // Runs the queued URLs, then runs each later one as it arrives.
    void beginProcessing();
    // Runs one URL now, queue or not.
    void URLHandlerWithComponents(const platform::UrlComponents& components);

    bool allowProcessing() const { return allowProcessing_; }
    const std::deque<platform::UrlComponents>& pending() const { return pending_; }

    // Text beginning with y, Y or 1 is true, with n, N or 0 false; anything else, and no or
    // empty text, is `defaultValue`.
    static bool boolResult(const std::optional<std::string>& text, bool defaultValue);
    // The help block as printed: one string, lines separated by newlines.
    static const std::string& helpText();
    void helpCommand();
    void openPrefPane(const std::string& identifier);

  private:
    void checkForUpdates(bool beta);

    Collaborators c_;
    AppUpdater* updater_ = nullptr;
    bool allowProcessing_ = false;
    std::deque<platform::UrlComponents> pending_;
};
