// purlanectl: the command line of the platform, for people and scripts: user defaults,
// distributed notifications, and (as they are built) pasteboards, applications and scripts.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/purlanectl/Command.h"

namespace {

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"apps", "list the running applications", runApps, helpApps},
        {"defaults", "read, write and delete user defaults", runDefaults, helpDefaults},
        {"notify", "post a distributed notification", runNotify, helpNotify},
        {"observe", "print distributed notifications as they arrive", runObserve, helpObserve},
        {"open", "open a URL or a file, or launch an application", runOpen, helpOpen},
        {"pasteboard", "copy to, paste from, list and clear pasteboards", runPasteboard,
         helpPasteboard},
        {"send-event", "send an Apple event to an application", runSendEvent, helpSendEvent},
        {"script", "send a script command to the agent and print the result", runScript,
         helpScript},
        {"services", "list the Services menu's entries or perform one on text", runServices,
         helpServices},
        {"session", "what the graphical session offers and the route each capability takes",
         runSession, helpSession},
    };
    return all;
}

void usage() {
    std::cout << "Usage: purlanectl COMMAND [ARGS...]\n\nCommands:\n";
    for (const auto& c : commands()) std::printf("  %-10s %s\n", c.name, c.summary);
    std::cout << "\n'purlanectl COMMAND --help' describes one command.\n";
}

}  // namespace

int fail(int status, const std::string& message) {
    std::cerr << "purlanectl: " << message << std::endl;
    return status;
}

bool isHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h" || arg == "help";
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        usage();
        return kExitUsage;
    }
    if (isHelp(args[0])) {
        usage();
        return kExitOk;
    }
    for (const auto& c : commands()) {
        if (args[0] != c.name) continue;
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h")) {
            c.help();
            return kExitOk;
        }
        return c.run(rest);
    }
    return fail(kExitUsage, "unknown command '" + args[0] + "' (see purlanectl --help)");
}
