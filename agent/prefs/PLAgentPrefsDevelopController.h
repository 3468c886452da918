#pragma once

#include <string>
#include <vector>

#include "agent/prefs/PLPrefsViewController.h"
#include "platform/defaults/UserDefaults.h"

// The Develop pane (shown with ShowDevelop): switches for people working on the agent.
class PLAgentPrefsDevelopController : public PLPrefsViewController {
  public:
    static constexpr const char* kDisableNonSystemPrefIcons = "DevelopDisableNonSystemPrefIcons";

    // One checkbox: the bool setting and its localised title.
    struct Switch {
        std::string key;
        std::string title;
    };
    static const std::vector<Switch>& switches();

    explicit PLAgentPrefsDevelopController(platform::UserDefaults& defaults)
        : defaults_(defaults) {}

    std::string keyName() const override { return "develop"; }
    std::string itemLabel() const override;
    std::optional<std::string> imageName11() const override { return "hammer.fill"; }

    bool isOn(const std::string& key) const { return defaults_.boolForKey(key); }
    void set(const std::string& key, bool on) { defaults_.setBool(key, on); }

  private:
    platform::UserDefaults& defaults_;
};
