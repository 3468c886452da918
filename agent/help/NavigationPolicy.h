#pragma once

#include <optional>

#include "agent/help/NavDestinationConfig.h"
#include "platform/workspace/Workspace.h"

// One navigation a web view is about to make.
struct NavigationAction {
    // A click on a link, as opposed to a load, reload or a step back or forward.
    bool linkActivated = false;
    std::optional<platform::Url> url;
};

enum class NavigationActionPolicy { allow, cancel };

// Which links stay inside the help and web windows. A link that leaves is handed to the
// user's browser through the workspace where the rules say so.
class NavigationPolicy {
  public:
    // The documentation and release-notes windows: the site's own pages, or everything with
    // full navigation; other file URLs when leaving the site is allowed; web pages then go to
    // the browser.
    static NavigationActionPolicy docWindow(const NavDestinationConfig& config,
                                            const std::string& siteBase,
                                            const NavigationAction& action,
                                            platform::Workspace& workspace);
    // The preference panes' notes view: web links go to the browser, the rest stays.
    static NavigationActionPolicy webView(const NavigationAction& action,
                                          platform::Workspace& workspace);
};
