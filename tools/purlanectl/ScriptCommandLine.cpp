// purlanectl script: sends a script command to the agent, as a script would, and prints the
// result. Commands and parameters come from the agent bundle's scripting definition.

#include <unistd.h>
#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>

#include "platform/events/ScriptValues.h"
#include "platform/events/ScriptingDefinition.h"
#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/InstalledApplications.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/workspace/Bundle.h"
#include "tools/purlanectl/Command.h"

using namespace platform;

namespace {

constexpr const char* kAgentIdentifier = "com.halvik.purlane.agent";

int gArgc = 1;
char gArg0[] = "purlanectl";
char* gArgv[] = {gArg0, nullptr};

// The installed agent, or the one built beside this tool.
std::optional<Bundle> agentBundle() {
    if (auto installed = InstalledApplications::withIdentifier(kAgentIdentifier)) return installed;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    auto built = Bundle::open(self.parent_path().parent_path() / "Applications/purlaneAgent.app");
    if (built && built->bundleIdentifier() == std::optional<std::string>(kAgentIdentifier))
        return built;
    return std::nullopt;
}

std::optional<ScriptingDefinition> definition(std::string& error) {
    auto bundle = agentBundle();
    if (!bundle) {
        error = "the agent (com.halvik.purlane.agent) is not installed";
        return std::nullopt;
    }
    auto path = bundle->pathForResource("purlaneAgent", "sdef");
    if (!path) {
        error = "the agent bundle has no scripting definition";
        return std::nullopt;
    }
    auto def = ScriptingDefinition::readFile(*path);
    if (!def.ok()) {
        error = "the agent's scripting definition is unreadable: " + def.error().debugDescription();
        return std::nullopt;
    }
    return std::move(def).value();
}

std::optional<bool> parseBool(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (text == "true" || text == "yes") return true;
    if (text == "false" || text == "no") return false;
    return std::nullopt;
}

// A command-line value as the descriptor of the parameter's type.
std::optional<AppleEventDescriptor> descriptorFor(const std::string& text,
                                                  ScriptingDefinition::Type type,
                                                  std::string& error) {
    using Type = ScriptingDefinition::Type;
    switch (type) {
        case Type::Boolean: {
            auto b = parseBool(text);
            if (!b) {
                error = "'" + text + "' is not a boolean (true, false, yes or no)";
                return std::nullopt;
            }
            return AppleEventDescriptor::boolean(*b);
        }
        case Type::Integer: {
            auto v = AppleEventDescriptor::string(text).int32Value();
            if (!v) {
                error = "'" + text + "' is not an integer";
                return std::nullopt;
            }
            return AppleEventDescriptor::int32(*v);
        }
        case Type::Real: {
            auto v = AppleEventDescriptor::string(text).doubleValue();
            if (!v) {
                error = "'" + text + "' is not a number";
                return std::nullopt;
            }
            return AppleEventDescriptor::real(*v);
        }
        case Type::File:
            return AppleEventDescriptor::fileURL(
                Url::fileURLWithPath(std::filesystem::absolute(text).string()));
        case Type::ListOfText: {
            // "a,b,c" is the list of three texts.
            auto list = AppleEventDescriptor::list();
            size_t start = 0;
            for (;;) {
                const size_t comma = text.find(',', start);
                list.insertDescriptor(
                    AppleEventDescriptor::string(text.substr(start, comma - start)));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            return list;
        }
        default:
            return AppleEventDescriptor::string(text);
    }
}

void printResult(const PropertyList& value) {
    if (const auto* items = value.asArray()) {
        for (const auto& item : *items) printResult(item);
    } else if (auto b = value.asBoolean()) {
        std::cout << (*b ? "true" : "false") << '\n';
    } else if (const std::string* s = value.asString()) {
        std::cout << *s << '\n';
    } else if (auto i = value.asInteger()) {
        std::cout << *i << '\n';
    } else if (auto r = value.asReal()) {
        std::cout << *r << '\n';
    }
}

}  // namespace

void helpScript() {
    std::cout
        << "Usage: purlanectl script COMMAND [DIRECT] [--PARAMETER VALUE]... [--] [DIRECT]\n\n"
           "Sends a script command to purlaneAgent (starting it when it does not run) and\n"
           "prints the result: text as it is, lists one element per line, booleans as\n"
           "true or false, nothing when there is no result. Boolean parameters take true,\n"
           "false, yes or no; a list takes its items separated by commas; a file is a path.\n"
           "A parameter name with spaces is written with hyphens.\n"
           "\"--\" ends the parameters: what follows is the direct parameter even when it\n"
           "begins with \"--\" (purlanectl script 'clean text' --cleaner '#UPPER' -- --x).\n\n";
    std::string error;
    if (auto def = definition(error)) {
        std::cout << "Commands:\n";
        for (const auto& c : def->commands()) {
            std::cout << "  " << c.name;
            if (c.directParameter)
                std::cout << (c.directParameter->optional ? " [DIRECT]" : " DIRECT");
            for (const auto& p : c.parameters) {
                std::string flag = p.name;
                std::replace(flag.begin(), flag.end(), ' ', '-');
                std::cout << " [--" << flag << " VALUE]";
            }
            std::cout << '\n';
        }
    } else {
        std::cout << "(" << error << ")\n";
    }
}

int runScript(const std::vector<std::string>& args) {
    if (args.empty()) return fail(kExitUsage, "script: a command name is needed (see --help)");
    std::string error;
    auto def = definition(error);
    if (!def) return fail(kExitFailure, "script: " + error);
    const auto* command = def->commandNamed(args[0]);
    if (!command) return fail(kExitUsage, "script: the agent has no command '" + args[0] + "'");

    AppleEvent event(command->eventClass, command->eventID, kAgentIdentifier);
    bool haveDirect = false;
    bool parametersEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--" && !parametersEnded) {
            parametersEnded = true;
        } else if (!parametersEnded && a.size() > 2 && a.starts_with("--")) {
            std::string name = a.substr(2);
            std::replace(name.begin(), name.end(), '-', ' ');
            const auto* parameter = command->parameterNamed(name);
            if (!parameter)
                return fail(kExitUsage, "script: '" + command->name + "' has no parameter " + a);
            if (++i >= args.size()) return fail(kExitUsage, "script: " + a + " needs a value");
            auto value = descriptorFor(args[i], parameter->type, error);
            if (!value) return fail(kExitUsage, "script: " + a + ": " + error);
            event.setParamDescriptor(parameter->code, std::move(*value));
        } else if (!haveDirect && command->directParameter) {
            auto value = descriptorFor(a, command->directParameter->type, error);
            if (!value) return fail(kExitUsage, "script: " + error);
            event.setParamDescriptor(AEKeyword::kDirectObject, std::move(*value));
            haveDirect = true;
        } else {
            return fail(kExitUsage, "script: unexpected argument '" + a + "'");
        }
    }
    if (command->directParameter && !command->directParameter->optional && !haveDirect)
        return fail(kExitUsage, "script: '" + command->name + "' needs a direct parameter");

    QCoreApplication app(gArgc, gArgv);
    QtMainQueue mainQueue;
    DBusAppleEventManager events;
    LinuxWorkspace workspace(mainQueue, events);
    // As for scripts on the OS: the agent is started when it does not run.
    if (!DBusAppleEventManager::targetProcess(kAgentIdentifier)) {
        auto bundle = agentBundle();
        auto launched = workspace.launchApplicationAtURL(bundle->bundleURL(), 0, {});
        if (!launched.ok())
            return fail(kExitFailure,
                        "script: cannot start the agent: " + launched.error().localizedDescription);
    }
    const AESendResult result =
        events.send(event, AESendMode::kWaitReply | AESendMode::kNeverInteract, kAEDefaultTimeout);
    if (result.error != OSErr::kNoErr)
        return fail(kExitFailure,
                    "script: the agent answered error " + std::to_string(result.error));
    if (const auto* direct = result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject)) {
        if (auto value = ScriptValues::fromAnyDescriptor(*direct)) printResult(*value);
    }
    std::cout.flush();
    return kExitOk;
}
