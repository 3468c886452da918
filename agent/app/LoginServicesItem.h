#pragma once

#include <string>

#include "platform/defaults/UserDefaults.h"
#include "platform/workspace/LoginItems.h"

// The agent's login item: registers and removes the launcher shipped inside the agent's
// bundle, and remembers the user's choice in the agent's defaults. What the agent shows is only
// that remembered choice; it never asks the system whether the item is registered.
class LoginServicesItem {
  public:
    // `agentBundleIdentifier`: "com.halvik.purlane.agent" for the agent.
    LoginServicesItem(platform::LoginItems& loginItems, platform::UserDefaults& defaults,
                      const std::string& agentBundleIdentifier);

    // The launcher's bundle identifier: the agent's followed by ".launcher".
    const std::string& identifier() const { return identifier_; }
    // The bool under which the choice is kept: the identifier followed by ".installed".
    const std::string& stateKey() const { return stateKey_; }
    bool isEnabled() const { return defaults_.boolForKey(stateKey_); }

    // A refused registration is only printed and leaves the remembered choice as it was.
    void enable();
    void disable();

  private:
    platform::LoginItems& loginItems_;
    platform::UserDefaults& defaults_;
    std::string identifier_;
    std::string stateKey_;
};
