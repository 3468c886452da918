#pragma once

#include <functional>
#include <set>
#include <string>

#include "launchwatcher/LogOutput.h"
#include "platform/core/Url.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/workspace/Application.h"

namespace launchwatcher {

// Lists the applications of the family (identifier containing "purlane" in any case) that run
// when the watcher starts, then each one launched afterwards, in the window and in the system
// log. Quitting applications are not listed.
class AppDelegate : public platform::ApplicationDelegate {
  public:
    // `currentDate` gives the date of an entry as the user reads it.
    AppDelegate(LogOutput& logView, std::function<std::string()> currentDate);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching(platform::Application& app) override;
    void applicationWillTerminate(platform::Application&) override {}

    // A launch notification of the workspace: its application, from the user info.
    void updateLaunchAppInfo(const platform::Notification& notification);
    // Logs the application when it has both an identifier and a bundle location.
    void updateAppLog(const platform::RunningApplication& app);
    void logLaunch(const std::string& bundleIdentifier, const platform::Url& bundleURL);
    void writeLog(const std::string& text);

    static bool isWatched(const std::string& bundleIdentifier);

  private:
    LogOutput& logView_;
    std::function<std::string()> currentDate_;
    // The processes listed as running at the start: the workspace may still report their
    // launch afterwards (our own among them), and a process is launched only once.
    std::set<int> runningAtStart_;
    platform::NotificationCenter* center_ = nullptr;
    platform::ObserverToken observer_ = 0;
};

}  // namespace launchwatcher
