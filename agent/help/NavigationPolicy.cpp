#include "agent/help/NavigationPolicy.h"

using namespace platform;

NavigationActionPolicy NavigationPolicy::docWindow(const NavDestinationConfig& config,
                                                   const std::string& siteBase,
                                                   const NavigationAction& action,
                                                   Workspace& workspace) {
    if (!action.linkActivated) return NavigationActionPolicy::allow;
    if (!action.url) return NavigationActionPolicy::cancel;
    if (config.allowFullNavigation) return NavigationActionPolicy::allow;
    if (action.url->absoluteString().starts_with(siteBase)) return NavigationActionPolicy::allow;
    if (!config.allowNavigatingAwayFromSite) return NavigationActionPolicy::cancel;
    if (action.url->isFileURL()) return NavigationActionPolicy::allow;
    workspace.openURL(*action.url);
    return NavigationActionPolicy::cancel;
}

NavigationActionPolicy NavigationPolicy::webView(const NavigationAction& action,
                                                 Workspace& workspace) {
    if (action.linkActivated && action.url && !action.url->isFileURL()) {
        workspace.openURL(*action.url);
        return NavigationActionPolicy::cancel;
    }
    return NavigationActionPolicy::allow;
}
