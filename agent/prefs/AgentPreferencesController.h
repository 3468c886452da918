#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agent/prefs/PLPreferencesController.h"
#include "platform/notifications/DistributedNotificationCenter.h"

// The agent's preferences window: its pane list, its fixed title, Command-W, and the pane list
// rebuilt when the develop option changes.
//
// Panes are registered by name: the composition gives a maker per pane name, and the list is
// built in the agent's fixed order from the makers present (a pane without a maker is left
// out). The makers run again each time the list is rebuilt, so they must make new panes.
class AgentPreferencesController : public PLPreferencesController {
  public:
    using PaneMaker = std::function<std::shared_ptr<PLPrefsViewController>()>;
    using PaneMakers = std::map<std::string, PaneMaker>;

    static constexpr const char* kShowDevelop = "ShowDevelop";
    static constexpr const char* kDevelopOptionChanged = "com.purlane.develop.optionchanged";
    static constexpr const char* kGeneral = "general";
    static constexpr const char* kAdvanced = "advanced";
    static constexpr const char* kDevelop = "develop";

    // The pane names in window order; "develop" only shows with ShowDevelop.
    static const std::vector<std::string>& paneOrder();
    // "Purlane Agent " followed by the settings word.
    static std::string windowTitle();

    AgentPreferencesController(PaneMakers makers, platform::UserDefaults& defaults,
                               platform::DistributedNotificationCenter& center,
                               WindowMaker makeWindow);
    ~AgentPreferencesController() override;

    // The process's instance; null until main makes one.
    static AgentPreferencesController* shared();
    static void setShared(AgentPreferencesController* controller);

    Panes buildViewControllers() const;
    // Hides the window; it is kept for the next show.
    void closeWindow();

  protected:
    void windowDidLoad() override;

  private:
    PaneMakers makers_;
    platform::DistributedNotificationCenter& center_;
    std::optional<platform::ObserverToken> developObserver_;
};
