#pragma once

// The application-wide actions the popover's action menu sends (the application delegate and
// the application itself answer them).
class ApplicationActions {
  public:
    virtual ~ApplicationActions() = default;
    virtual void showAboutPanel() = 0;
    virtual void showPreferencesWindow() = 0;
    virtual void launchPurlaneApp() = 0;
    virtual void checkForAppUpdates() = 0;
    virtual void showOnlineHelp() = 0;
    virtual void terminate() = 0;
};
