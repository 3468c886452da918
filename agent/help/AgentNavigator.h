#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "agent/help/NavDestinationConfig.h"
#include "platform/ui/Sounds.h"
#include "platform/workspace/Bundle.h"

// A window the navigator shows for a destination.
class NavWindow {
  public:
    virtual ~NavWindow() = default;
    // Brings the window to the front (showing it first when needed).
    virtual void showWindow() = 0;
};

// Keeps one help or web window per destination, made on first request and brought back on
// later ones.
class AgentNavigator {
  public:
    enum class NavDestination { unknown = 0, documentation = 1, releaseNotes = 2 };

    struct NavItem {
        std::unique_ptr<NavWindow> controller;
        NavDestination type = NavDestination::unknown;
    };

    using WindowFactory = std::function<std::unique_ptr<NavWindow>(
        const NavDestinationConfig& config, NavDestination destination)>;

    // The documentation endpoint; the path "/docs/agent/" follows.
    static constexpr const char* kDocumentationEndpoint = "https://www.halvik.com";
    static constexpr const char* kHelpBookInfoKey = "CFBundleHelpBookFolder";

    AgentNavigator(const platform::Bundle& bundle, platform::Sounds& sounds,
                   WindowFactory makeWindow);

    // The process's navigator; null until main makes one.
    static AgentNavigator* shared();
    static void setShared(AgentNavigator* navigator);

    void navigate(NavDestination destination);

    // What a destination's window shows; nothing for unknown.
    static std::optional<NavDestinationConfig> configFor(NavDestination destination,
                                                         const platform::Bundle& bundle);

    const std::map<NavDestination, NavItem>& bag() const { return bag_; }

  private:
    const platform::Bundle& bundle_;
    platform::Sounds& sounds_;
    WindowFactory makeWindow_;
    std::map<NavDestination, NavItem> bag_;
};
