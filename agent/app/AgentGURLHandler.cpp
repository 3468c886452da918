#include "agent/app/AgentGURLHandler.h"

#include "agent/updates/AppUpdater.h"
#include "platform/core/Log.h"

using namespace platform;

namespace {

AgentGURLHandler* sharedHandler = nullptr;

constexpr std::string_view kUpdate = "update";
constexpr std::string_view kUpdateBeta = "updatebeta";
constexpr std::string_view kPrefs = "prefs";
constexpr std::string_view kLaunchApp = "launchapp";
constexpr std::string_view kHelp = "help";

}  // namespace

std::string_view AgentGURLHandler::rawValue(Scheme scheme) {
    return scheme == Scheme::purlaneAgent ? "x-purlane-agent" : "x-plagent";
}

std::string_view AgentGURLHandler::rawValue(ParamKey key) {
    return key == ParamKey::beta ? "beta" : "name";
}

std::optional<AgentGURLHandler::Scheme> AgentGURLHandler::schemeWithRawValue(
    std::string_view text) {
    for (Scheme s : {Scheme::purlaneAgent, Scheme::purlaneAgent2})
        if (text == rawValue(s)) return s;
    return std::nullopt;
}

std::optional<AgentGURLHandler::ParamKey> AgentGURLHandler::paramKeyWithRawValue(
    std::string_view text) {
    for (ParamKey k : {ParamKey::beta, ParamKey::name})
        if (text == rawValue(k)) return k;
    return std::nullopt;
}

AgentGURLHandler::AgentGURLHandler(Collaborators collaborators) : c_(std::move(collaborators)) {}

AgentGURLHandler* AgentGURLHandler::shared() {
    return sharedHandler;
}

void AgentGURLHandler::setShared(AgentGURLHandler* handler) {
    sharedHandler = handler;
}

void AgentGURLHandler::install(AppleEventManager& events) {
    events.setEventHandler(FourCharCode::make("GURL"), FourCharCode::make("GURL"),
                           [this](const AppleEvent& event, AppleEvent& reply) {
                               return handleGURLEvent(event, reply);
                           });
}

int AgentGURLHandler::handleGURLEvent(const AppleEvent& event, AppleEvent& /*reply*/) {
    print(kReceivedLine);
    const auto* direct = event.paramDescriptorForKeyword(AEKeyword::kDirectObject);
    const auto text = direct ? direct->stringValue() : std::nullopt;
    if (!text) return OSErr::kNoErr;
    // The whole text is decoded once, before parsing, so that senders may encode the entire
    // URL; what is left encoded after that is decoded again per part.
    const auto decoded = UrlComponents::percentDecode(*text);
    if (!decoded) return OSErr::kNoErr;
    auto components = UrlComponents::parse(*decoded);
    if (!components) return OSErr::kNoErr;
    if (allowProcessing_)
        URLHandlerWithComponents(*components);
    else
        pending_.push_back(std::move(*components));
    return OSErr::kNoErr;
}

void AgentGURLHandler::beginProcessing() {
    // One at a time from the front: a command that runs an event loop of its own (an update
    // window) may receive more URLs meanwhile, and they queue behind the rest instead of being
    // lost or overtaking it.
    while (!pending_.empty()) {
        UrlComponents next = std::move(pending_.front());
        pending_.pop_front();
        URLHandlerWithComponents(next);
    }
    allowProcessing_ = true;
}

void AgentGURLHandler::URLHandlerWithComponents(const UrlComponents& components) {
    const auto scheme =
        components.scheme() ? schemeWithRawValue(*components.scheme()) : std::nullopt;
    const auto host = components.host();
    if (!scheme || !host) {
        // The scheme we know, or else the one received, so the sender can see what went wrong.
        const std::string shown =
            scheme ? std::string(rawValue(*scheme)) : components.scheme().value_or("(none)");
        print("unknown scheme: " + shown);
        return;
    }

    std::map<ParamKey, std::string> params;
    for (const QueryItem& item : components.queryItems()) {
        const auto key = paramKeyWithRawValue(item.name);
        if (key && item.value) params[*key] = *item.value;
    }
    const auto param = [&params](ParamKey key) -> std::optional<std::string> {
        const auto found = params.find(key);
        if (found == params.end()) return std::nullopt;
        return found->second;
    };

    if (*host == kUpdate) {
        checkForUpdates(boolResult(param(ParamKey::beta), false));
    } else if (*host == kUpdateBeta) {
        checkForUpdates(true);
    } else if (*host == kPrefs) {
        const std::string pane = param(ParamKey::name).value_or(kDefaultPane);
        c_.mainQueue.asyncAfter(kPrefsDelay, [this, pane] { openPrefPane(pane); });
    } else if (*host == kLaunchApp) {
        if (c_.launchPurlaneApp) c_.launchPurlaneApp();
    } else if (*host == kHelp) {
        helpCommand();
    } else {
        print("unknown command: " + *host);
    }
}

void AgentGURLHandler::checkForUpdates(bool beta) {
    c_.application.activate(/*ignoringOtherApps=*/true);
    if (!updater_) {
        c_.notificationCenter.post(AppUpdater::checkedForUpdates);
        return;
    }
    // The updater posts the notice itself, with or without a direct updater.
    if (beta)
        updater_->checkForBetaUpdates();
    else
        updater_->checkForUpdates();
}

bool AgentGURLHandler::boolResult(const std::optional<std::string>& text, bool defaultValue) {
    if (!text || text->empty()) return defaultValue;
    switch (text->front()) {
        case 'y':
        case 'Y':
        case '1':
            return true;
        case 'n':
        case 'N':
        case '0':
            return false;
        default:
            return defaultValue;
    }
}

const std::string& AgentGURLHandler::helpText() {
    static const std::string text = [] {
        const char* lines[] = {
            "*** URL command help ****",
            "",
            "x-purlane-agent://launchapp",
            "",
            "x-purlane-agent://update",
            "x-purlane-agent://updatebeta",
            "x-purlane-agent://update?beta=Y",
            "",
            "x-purlane-agent://prefs",
            "x-purlane-agent://prefs?name=general",
            "x-purlane-agent://prefs?name=hotkeys",
            "x-purlane-agent://prefs?name=updates",
            "x-purlane-agent://prefs?name=services",
            "x-purlane-agent://prefs?name=advanced",
            "x-purlane-agent://prefs?name=about",
            "x-purlane-agent://prefs?name=notes",
            "",
            "*** END ***",
        };
        std::string out;
        for (size_t i = 0; i < std::size(lines); ++i) {
            if (i > 0) out += '\n';
            if (*lines[i]) out += std::string("    ") + lines[i];
        }
        return out;
    }();
    return text;
}

void AgentGURLHandler::helpCommand() {
    print(helpText());
}

void AgentGURLHandler::openPrefPane(const std::string& identifier) {
    if (c_.openPrefPane) c_.openPrefPane(identifier);
}
