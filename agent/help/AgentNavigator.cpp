#include "agent/help/AgentNavigator.h"

#include <filesystem>

#include "platform/workspace/Localization.h"

using namespace platform;

namespace {
AgentNavigator* sharedNavigator = nullptr;
}

AgentNavigator::AgentNavigator(const Bundle& bundle, Sounds& sounds, WindowFactory makeWindow)
    : bundle_(bundle), sounds_(sounds), makeWindow_(std::move(makeWindow)) {}

AgentNavigator* AgentNavigator::shared() {
    return sharedNavigator;
}

void AgentNavigator::setShared(AgentNavigator* navigator) {
    sharedNavigator = navigator;
}

std::optional<NavDestinationConfig> AgentNavigator::configFor(NavDestination destination,
                                                              const Bundle& bundle) {
    NavDestinationConfig config;
    switch (destination) {
        case NavDestination::unknown:
            return std::nullopt;
        case NavDestination::releaseNotes:
            config.siteTitle = localized("Purlane 9 Release Notes", "release notes window title");
            config.filename = "releasenotes.html";
            return config;
        case NavDestination::documentation:
            break;
    }
    config.siteTitle = localized("Purlane Agent Help", "help window title");
    config.allowFullNavigation = true;
    std::error_code ec;
    const auto resources = bundle.resourcePath();
    if (auto folder = bundle.infoString(kHelpBookInfoKey);
        folder && std::filesystem::is_directory(resources, ec)) {
        config.url = Url::fileURLWithPath((resources / *folder).string() + "/topics/welcome.html");
    } else {
        std::string text = std::string(kDocumentationEndpoint) + "/docs/agent/";
        if (auto build = bundle.infoString("CFBundleVersion")) text += "?build=" + *build;
        config.url = Url::parse(text);
    }
    return config;
}

void AgentNavigator::navigate(NavDestination destination) {
    if (auto it = bag_.find(destination); it != bag_.end()) {
        it->second.controller->showWindow();
        return;
    }
    const auto config = configFor(destination, bundle_);
    if (!config) {
        sounds_.beep();
        return;
    }
    NavItem item{makeWindow_(*config, destination), destination};
    if (!item.controller) return;
    NavWindow& window = *item.controller;
    bag_.emplace(destination, std::move(item));
    window.showWindow();
}
