#include "agent/engine/PurlaneServerConnection.h"

#include "platform/core/Log.h"
#include "platform/workspace/Bundle.h"

using platform::print;

PurlaneServerConnection::PurlaneServerConnection(platform::UserDefaults& settings,
                                                 platform::Workspace& workspace,
                                                 platform::Sounds& sounds)
    : settings_(settings), workspace_(workspace), sounds_(sounds) {}

bool PurlaneServerConnection::isAcceptedEngineIdentifier(const std::string& id) {
    return id == "com.halvik.purlane9" || id == "com.halvik.purlane-storeapp" ||
           id == "com.halvik.purlane9.mas";
}

std::optional<std::string> PurlaneServerConnection::engineBundleIdentifier() const {
    auto id = settings_.stringForKey(kEngineBundleIdKey);
    if (id && isAcceptedEngineIdentifier(*id)) return id;
    return std::nullopt;
}

std::optional<platform::Url> PurlaneServerConnection::engineURL() const {
    auto url = settings_.URLForKey(kEngineBundleUrlKey);
    if (!url) return std::nullopt;
    auto bundle = platform::Bundle::open(*url);
    if (!bundle) return std::nullopt;
    auto id = bundle->bundleIdentifier();
    if (id && isAcceptedEngineIdentifier(*id)) return url;
    return std::nullopt;
}

bool PurlaneServerConnection::launchEngine(const platform::PropertyList::Dictionary& configuration,
                                           uint64_t options) {
    const auto id = engineBundleIdentifier();
    if (!id) return false;
    auto url = engineURL();
    const bool fromSettings = url.has_value();
    if (!url) url = workspace_.URLForApplicationWithBundleIdentifier(*id);
    if (!url) {
        print("Unable to find App URL for bundle ID : " + *id);
        // Linux has no "error-pop" sound: the beep stands in.
        if (!sounds_.play("error-pop")) sounds_.beep();
        return false;
    }
    print("Launching engine at " + url->description());
    auto launched = workspace_.launchApplicationAtURL(*url, options, configuration);
    if (launched.ok()) return true;
    std::string message = "Error launching Purlane app: " + launched.error().localizedDescription;
    if (fromSettings) message += " at " + url->description();
    print(message);
    return false;
}

bool PurlaneServerConnection::quitAgentModeEngines() {
    const auto id = engineBundleIdentifier();
    if (!id) return false;
    bool any = false;
    for (const auto& app : workspace_.runningApplicationsWithBundleIdentifier(*id)) {
        if (app.activationPolicy() != platform::ActivationPolicy::Accessory) continue;
        app.terminate();
        any = true;
    }
    return any;
}

void PurlaneServerConnection::launchEngineForUser() {
    const bool quit = quitAgentModeEngines();
    (void)launchEngine({}, quit ? platform::LaunchOption::kNewInstance : 0);
}
