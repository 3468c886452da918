// purlanectl apps / open / send-event: running applications, launching and opening, and Apple
// events, from the shell. The tool itself is no application: it never registers.

#include <QCoreApplication>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>

#include "platform/linux/AppRegistry.h"
#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/InstalledApplications.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"
#include "tools/purlanectl/Command.h"

using namespace platform;

namespace {

// Qt wants argc/argv that outlive the application object.
int gArgc = 1;
char gArg0[] = "purlanectl";
char* gArgv[] = {gArg0, nullptr};

// What the commands share: the Qt object the bus needs, and a workspace of our own.
struct Session {
    QCoreApplication app{gArgc, gArgv};
    QtMainQueue mainQueue;
    DBusAppleEventManager events;
    LinuxWorkspace workspace{mainQueue, events};
};

const char* policyName(ActivationPolicy policy) {
    switch (policy) {
        case ActivationPolicy::Regular:
            return "regular";
        case ActivationPolicy::Accessory:
            return "accessory";
        case ActivationPolicy::Prohibited:
            return "prohibited";
    }
    return "regular";
}

std::optional<double> positiveNumber(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0) return std::nullopt;
    return v;
}

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 0xF];
    }
    return out;
}

// TYPE:VALUE as send-event prints it; lists and records show their items the same way.
std::string describe(const AppleEventDescriptor& d) {
    if (d.isList()) {
        std::string out = "list:[";
        for (size_t i = 0; i < d.items().size(); ++i)
            out += (i ? ", " : "") + describe(d.items()[i]);
        return out + "]";
    }
    if (d.isRecord()) {
        std::string out = d.descriptorType().text() + ":{";
        for (size_t i = 0; i < d.fields().size(); ++i)
            out +=
                (i ? ", " : "") + d.fields()[i].first.text() + "=" + describe(d.fields()[i].second);
        return out + "}";
    }
    const FourCharCode type = d.descriptorType();
    const bool isBoolean = type == DescType::kTrue || type == DescType::kFalse;
    const std::string typeText = isBoolean ? std::string("bool") : type.text();
    if (auto text = d.stringValue()) return typeText + ":" + *text;
    return typeText + ":" + hex(d.data());
}

std::optional<FourCharCode> code(const std::string& text) {
    if (text.size() != 4) return std::nullopt;
    return FourCharCode(text);
}

// KEY=TYPE:VALUE
std::optional<std::pair<FourCharCode, AppleEventDescriptor>> parameter(const std::string& text,
                                                                       std::string& error) {
    const size_t eq = text.find('=');
    const size_t colon = eq == std::string::npos ? eq : text.find(':', eq);
    if (eq == std::string::npos || colon == std::string::npos) {
        error = "'" + text + "' is not KEY=TYPE:VALUE";
        return std::nullopt;
    }
    const auto key = code(text.substr(0, eq));
    if (!key) {
        error = "'" + text.substr(0, eq) + "' is not a four-character keyword";
        return std::nullopt;
    }
    const std::string type = text.substr(eq + 1, colon - eq - 1);
    const std::string value = text.substr(colon + 1);
    if (type == "utf8") return std::pair{*key, AppleEventDescriptor::string(value)};
    if (type == "long") {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(value.c_str(), &end, 10);
        if (!value.empty() && *end == '\0' && errno == 0 && v >= INT32_MIN && v <= INT32_MAX)
            return std::pair{*key, AppleEventDescriptor::int32(static_cast<int32_t>(v))};
    } else if (type == "doub") {
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (!value.empty() && *end == '\0') return std::pair{*key, AppleEventDescriptor::real(v)};
    } else if (type == "bool") {
        if (value == "true" || value == "1" || value == "yes")
            return std::pair{*key, AppleEventDescriptor::boolean(true)};
        if (value == "false" || value == "0" || value == "no")
            return std::pair{*key, AppleEventDescriptor::boolean(false)};
    } else if (type == "type" || type == "enum") {
        if (const auto c = code(value))
            return std::pair{*key, type == "type" ? AppleEventDescriptor::typeCode(*c)
                                                  : AppleEventDescriptor::enumCode(*c)};
    } else if (type == "furl") {
        auto url = Url::parse(value);
        if (!url || !url->isFileURL()) url = Url::fileURLWithPath(value);
        return std::pair{*key, AppleEventDescriptor::fileURL(*url)};
    } else {
        error = "unknown type '" + type + "' (utf8, long, doub, bool, type, enum or furl)";
        return std::nullopt;
    }
    error = "'" + value + "' is not a valid " + type + " value";
    return std::nullopt;
}

}  // namespace

void helpApps() {
    std::cout << "Usage: purlanectl apps\n\n"
                 "Lists the running applications of the session in launch order, one per line,\n"
                 "tab-separated: PID, bundle identifier, activation policy (regular, accessory\n"
                 "or prohibited), name, bundle path. \"-\" stands for a missing identifier or\n"
                 "path.\n";
}

int runApps(const std::vector<std::string>& args) {
    if (!args.empty()) return fail(kExitUsage, "apps: unexpected argument '" + args[0] + "'");
    Session session;
    if (!AppRegistry::busAvailable()) return fail(kExitFailure, "apps: no session bus");
    for (const auto& app : session.workspace.runningApplications()) {
        std::cout << app.processIdentifier() << '\t' << app.bundleIdentifier().value_or("-") << '\t'
                  << policyName(app.activationPolicy()) << '\t' << app.localizedName() << '\t'
                  << (app.bundleURL() ? app.bundleURL()->path() : std::string("-")) << '\n';
    }
    std::cout.flush();
    return kExitOk;
}

void helpOpen() {
    std::cout << R"USAGE(Usage: purlanectl open URL|FILE
       purlanectl open -a APPLICATION [FILE] [--new] [--hide] [--background] [--args ARG...]
       purlanectl open -b BUNDLE_ID [--new] [--hide] [--background] [--args ARG...]

Opens a URL with the application whose Info.plist claims its scheme (launched when needed;
it gets the URL as a "GURL" event), or with xdg-open when no installed application claims
it. A FILE is opened with its default application, or with APPLICATION (a name or a bundle
identifier).

-a, -b   launch the application (named, or by bundle identifier); a running one is reopened
--new        start another instance even if one runs
--hide       launch hidden
--background launch without activating it
--args       the rest of the line is passed to the new process as its arguments
)USAGE";
}

int runOpen(const std::vector<std::string>& args) {
    std::optional<std::string> target, application, bundleID;
    std::vector<std::string> launchArgs;
    uint64_t options = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-a" || a == "-b") {
            if (++i >= args.size()) return fail(kExitUsage, "open: " + a + " needs a value");
            (a == "-a" ? application : bundleID) = args[i];
        } else if (a == "--new") {
            options |= LaunchOption::kNewInstance;
        } else if (a == "--hide") {
            options |= LaunchOption::kAndHide;
        } else if (a == "--background") {
            options |= LaunchOption::kWithoutActivation;
        } else if (a == "--args") {
            launchArgs.assign(args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (!target && !(a.size() > 1 && a[0] == '-')) {
            target = a;
        } else {
            return fail(kExitUsage, "open: unexpected argument '" + a + "'");
        }
    }
    if (application && bundleID) return fail(kExitUsage, "open: give -a or -b, not both");
    if (!target && !application && !bundleID)
        return fail(kExitUsage, "open: a URL, a file or an application is needed");

    Session session;
    Workspace& workspace = session.workspace;
    if (target && !application && !bundleID) {
        std::optional<Url> url;
        if (!std::filesystem::exists(*target)) url = Url::parse(*target);
        const bool opened = url ? workspace.openURL(*url) : workspace.openFile(*target);
        if (!opened) return fail(kExitFailure, "open: couldn't open " + *target);
        return kExitOk;
    }
    std::optional<Bundle> bundle = bundleID ? InstalledApplications::withIdentifier(*bundleID)
                                            : InstalledApplications::named(*application);
    if (!bundle)
        return fail(kExitFailure, "open: no application " + (bundleID ? *bundleID : *application));
    if (target && !launchArgs.empty())
        return fail(kExitUsage, "open: give a FILE or --args, not both");
    if (target && !(options & LaunchOption::kNewInstance)) {
        if (!workspace.openFile(*target, bundle->bundlePath().string()))
            return fail(kExitFailure, "open: couldn't open " + *target);
        return kExitOk;
    }
    if (target) launchArgs = {std::filesystem::absolute(*target).string()};
    PropertyList::Array list;
    for (const auto& a : launchArgs) list.emplace_back(a);
    PropertyList::Dictionary configuration;
    configuration.set(kLaunchConfigurationArguments, PropertyList(std::move(list)));
    auto launched = workspace.launchApplicationAtURL(bundle->bundleURL(), options, configuration);
    if (!launched.ok()) return fail(kExitFailure, "open: " + launched.error().debugDescription());
    return kExitOk;
}

void helpSendEvent() {
    std::cout
        << R"USAGE(Usage: purlanectl send-event --to BUNDLE_ID CLASS ID [--param KEY=TYPE:VALUE]...
                             [--timeout SECONDS] [--no-reply]

Sends the Apple event CLASS/ID (four characters each) to the first running instance of
BUNDLE_ID and prints the result: the error number on the first line (0 for none), then each
parameter of the reply, one per line, as KEY=TYPE:VALUE. The exit status is 1 when the
error number is not 0.

TYPE is one of utf8 (text), long (32-bit integer), doub (real), bool (true or false),
type and enum (four characters), furl (a file path or file URL).
--timeout   seconds to wait for the reply (default: the system's default, a minute)
--no-reply  send without waiting; only the sending can fail
)USAGE";
}

int runSendEvent(const std::vector<std::string>& args) {
    std::optional<std::string> to;
    std::vector<std::string> codes;
    std::vector<std::pair<FourCharCode, AppleEventDescriptor>> params;
    double timeout = kAEDefaultTimeout;
    bool noReply = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--to" || a == "--param" || a == "--timeout") {
            if (++i >= args.size()) return fail(kExitUsage, "send-event: " + a + " needs a value");
            if (a == "--to") {
                to = args[i];
            } else if (a == "--timeout") {
                const auto seconds = positiveNumber(args[i]);
                if (!seconds)
                    return fail(kExitUsage, "send-event: --timeout needs a positive number");
                timeout = *seconds;
            } else {
                std::string error;
                auto param = parameter(args[i], error);
                if (!param) return fail(kExitUsage, "send-event: " + error);
                params.push_back(std::move(*param));
            }
        } else if (a == "--no-reply") {
            noReply = true;
        } else if (a.starts_with("--")) {
            return fail(kExitUsage, "send-event: unknown option '" + a + "'");
        } else {
            codes.push_back(a);
        }
    }
    if (!to || to->empty()) return fail(kExitUsage, "send-event: --to BUNDLE_ID is needed");
    if (codes.size() != 2) return fail(kExitUsage, "send-event: CLASS and ID are needed");
    const auto eventClass = code(codes[0]), eventID = code(codes[1]);
    if (!eventClass || !eventID)
        return fail(kExitUsage, "send-event: CLASS and ID are four characters each");

    Session session;
    AppleEvent event(*eventClass, *eventID, *to);
    for (auto& [key, value] : params) event.setParamDescriptor(key, std::move(value));
    const AESendResult result = session.events.send(
        event, noReply ? AESendMode::kNoReply : AESendMode::kWaitReply, timeout);
    std::cout << result.error << '\n';
    if (!noReply) {
        for (const auto& [key, value] : result.reply.parameters().fields())
            std::cout << key.text() << '=' << describe(value) << '\n';
    }
    std::cout.flush();
    return result.error == OSErr::kNoErr ? kExitOk : kExitFailure;
}
