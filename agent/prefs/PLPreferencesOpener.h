#pragma once

#include <string>

// What the application's menu actions ask of the preferences window; kept apart so that the
// application delegate does not depend on the window's code.
class PLPreferencesOpener {
  public:
    virtual ~PLPreferencesOpener() = default;
    // Brings the window to the front with the pane it showed last.
    virtual void showMainWindow() = 0;
    // Opens the window on the named pane ("general", "prefs-about", …); unknown names do nothing.
    virtual void showPanelWithNamed(const std::string& name) = 0;
};
