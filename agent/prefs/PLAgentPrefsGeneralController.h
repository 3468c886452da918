#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "agent/app/LoginServicesItem.h"
#include "agent/prefs/PLPrefsViewController.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/workspace/Application.h"
#include "platform/workspace/LoginItems.h"

// The General pane: start at login, relaunch, the status item's and the lists' display
// settings, and restoring every setting of the agent.
class PLAgentPrefsGeneralController : public PLPrefsViewController {
  public:
    static constexpr const char* kListDisplayOptionsUpdated =
        "com.purlane.listDisplayOptionsUpdated";
    static constexpr const char* kChangePopoverLayout = "com.halvik.purlane.changePopoverLayout";
    static constexpr const char* kMenuIconChanged = "com.halvik.purlane.menuIconchanged";
    static constexpr const char* kNextLaunchAction = "NextLaunchAction";

    // A choice of the default-group popup: its title and the stored value (name or "##" uuid).
    using GroupChoice = std::pair<std::string, std::string>;

    struct Services {
        platform::UserDefaults& defaults;
        platform::NotificationCenter& center;
        platform::LoginItems& loginItems;
        // Relaunched through its workspace, and terminated.
        platform::Application& application;
        // The agent's bundle identifier: its defaults domain and its launcher's prefix.
        std::string bundleIdentifier;
        // The groups a list can show first; may be empty.
        std::function<std::vector<GroupChoice>()> groupChoices;
    };

    explicit PLAgentPrefsGeneralController(Services services);

    std::string keyName() const override { return "general"; }
    std::string itemLabel() const override;
    std::optional<std::string> imageName11() const override { return "gearshape"; }
    void viewWillAppear() override;

    // The login item, as the checkbox shows it: read from the remembered choice.
    bool loginItemEnabled() const { return loginItemEnabled_; }
    void setLoginItemEnabled(bool enabled) { loginItemEnabled_ = enabled; }
    void toggleLoginItem();
    const LoginServicesItem& loginItem() const { return loginItem_; }

    // Next launch opens the preferences; a new instance starts and this one ends. When no new
    // instance can be started this one stays (and says so in the log).
    void relaunchApp();
    void changeIconDisplay();
    void changedLayout();
    void reloadLibraryUI();
    // Every setting of the agent's own domain goes back to its default.
    void restoreDefaults();

    // The pane's settings. Each setter stores the value and tells the parts that show it.
    int64_t displayLayout() const;
    void setDisplayLayout(int64_t layout);
    bool displayVersionedIcon() const;
    void setDisplayVersionedIcon(bool on);
    bool hideDockIcon() const;
    void setHideDockIcon(bool on);
    int64_t colorStyle() const;
    void setColorStyle(int64_t style);
    int64_t displayOrder() const;
    void setDisplayOrder(int64_t order);
    bool displayCompact() const;
    void setDisplayCompact(bool on);
    std::string defaultGroup() const;
    void setDefaultGroup(const std::string& group);
    // The choices, with the stored value among them even when no group has it.
    std::vector<GroupChoice> defaultGroupChoices() const;

  private:
    Services s_;
    LoginServicesItem loginItem_;
    bool loginItemEnabled_ = false;
};
