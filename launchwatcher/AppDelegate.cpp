#include "launchwatcher/AppDelegate.h"

#include <algorithm>
#include <any>
#include <cctype>

#include "platform/core/Log.h"
#include "platform/workspace/Workspace.h"

namespace launchwatcher {

AppDelegate::AppDelegate(LogOutput& logView, std::function<std::string()> currentDate)
    : logView_(logView), currentDate_(std::move(currentDate)) {}

AppDelegate::~AppDelegate() {
    if (center_) center_->removeObserver(observer_);
}

bool AppDelegate::isWatched(const std::string& bundleIdentifier) {
    std::string lower = bundleIdentifier;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("purlane") != std::string::npos;
}

void AppDelegate::applicationDidFinishLaunching(platform::Application& app) {
    writeLog("Currently running apps:\n\n");
    for (const auto& running : app.workspace().runningApplications()) {
        runningAtStart_.insert(running.processIdentifier());
        if (running.bundleIdentifier() && isWatched(*running.bundleIdentifier()))
            updateAppLog(running);
    }
    writeLog("\n\n");
    writeLog("Launched apps:\n\n");

    // Every launch the workspace reports is a new element of its running applications; a quit
    // removes one and adds nothing, so it is not observed.
    center_ = &app.workspace().notificationCenter();
    observer_ =
        center_->addObserver(platform::kWorkspaceDidLaunchApplication, nullptr,
                             [this](const platform::Notification& n) { updateLaunchAppInfo(n); });
}

void AppDelegate::updateLaunchAppInfo(const platform::Notification& notification) {
    const auto found = notification.userInfo.find(platform::kWorkspaceApplicationKey);
    if (found == notification.userInfo.end()) return;
    const auto* app = std::any_cast<platform::RunningApplication>(&found->second);
    if (app && !runningAtStart_.count(app->processIdentifier())) updateAppLog(*app);
}

void AppDelegate::updateAppLog(const platform::RunningApplication& app) {
    if (app.bundleIdentifier() && app.bundleURL())
        logLaunch(*app.bundleIdentifier(), *app.bundleURL());
}

void AppDelegate::logLaunch(const std::string& bundleIdentifier, const platform::Url& bundleURL) {
    if (!isWatched(bundleIdentifier)) return;
    writeLog("DATE: " + currentDate_() + "\n");
    writeLog("ID: " + bundleIdentifier + "\nURL: " + bundleURL.description() + "\n\n");
}

void AppDelegate::writeLog(const std::string& text) {
    platform::log(text);
    logView_.appendLine(text);
}

}  // namespace launchwatcher
