#include "launcher/AppDelegate.h"

#include "platform/core/Url.h"

namespace launcher {

namespace fs = std::filesystem;

std::string AppDelegate::agentIdentifier(const std::string& launcherIdentifier) {
    static const std::string kSuffix = ".launcher";
    std::string id = launcherIdentifier;
    for (size_t at = id.find(kSuffix); at != std::string::npos; at = id.find(kSuffix, at))
        id.erase(at, kSuffix.size());
    return id;
}

fs::path AppDelegate::agentBundlePath(const fs::path& launcherBundle) {
    fs::path path = launcherBundle;
    // "X.app/" names the same folder as "X.app": its empty last component is no level.
    while (path.has_relative_path() && path.filename().empty()) path = path.parent_path();
    for (int level = 0; level < 4; ++level) path = path.parent_path();
    return path;
}

void AppDelegate::applicationDidFinishLaunching(platform::Application& app) {
    const std::string agent = agentIdentifier(app.bundle().bundleIdentifier().value_or(""));
    for (const auto& running : app.workspace().runningApplications()) {
        if (running.bundleIdentifier() == agent) {
            app.terminate();
            return;
        }
    }
    const fs::path agentBundle = agentBundlePath(app.bundle().bundlePath());
    // A failed launch is not reported: at login there is nobody to tell.
    (void)app.workspace().launchApplicationAtURL(
        platform::Url::fileURLWithPath(agentBundle.string(), true), 0, {});
    app.terminate();
}

}  // namespace launcher
