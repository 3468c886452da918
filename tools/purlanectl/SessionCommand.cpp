// purlanectl session: what the graphical session offers, the route each capability takes and
// what the agent cannot do there, found the way the agent finds them at start-up.

#include <QCoreApplication>
#include <iostream>
#include <nlohmann/json.hpp>

#include "platform/linux/SessionProbe.h"
#include "tools/purlanectl/Command.h"

using platform::SessionCapabilities;
using platform::SessionProbe;
using platform::SessionRoutes;

namespace {

// Qt wants argc/argv that outlive the application object.
int gArgc = 1;
char gArg0[] = "purlanectl";
char* gArgv[] = {gArg0, nullptr};

nlohmann::json asJson(const SessionCapabilities& found, const SessionRoutes& routes) {
    return {
        {"session", SessionRoutes::word(found.kind)},
        {"globals", found.globals},
        {"portals", found.portals},
        {"kglobalaccel", found.kglobalaccel},
        {"gnomeCustomKeybindings", found.gnomeCustomKeybindings},
        {"swayIpc", found.swayIpc},
        {"kwinScripting", found.kwinScripting},
        {"routes",
         {{"hotKeys", SessionRoutes::word(routes.hotKeys)},
          {"keys", SessionRoutes::word(routes.keys)},
          {"clipboard", SessionRoutes::word(routes.clipboard)},
          {"focus", SessionRoutes::word(routes.focus)}}},
        {"limitations", routes.limitations()},
    };
}

}  // namespace

void helpSession() {
    std::cout << "Usage: purlanectl session [--json]\n\n"
                 "Asks the graphical session what it offers, as the agent does at start-up,\n"
                 "and prints one line with what was found and the route each capability\n"
                 "takes (hot keys, keys, clipboard, focus), then each thing the agent cannot\n"
                 "do in this session on a line of its own. With --json, prints the same as\n"
                 "one JSON object.\n";
}

int runSession(const std::vector<std::string>& args) {
    bool json = false;
    for (const auto& arg : args) {
        if (arg == "--json")
            json = true;
        else
            return fail(kExitUsage, "session: unexpected argument '" + arg + "'");
    }
    QCoreApplication app(gArgc, gArgv);
    const SessionCapabilities found = SessionProbe::probe();
    const SessionRoutes routes = SessionRoutes::choose(found);
    if (json) {
        std::cout << asJson(found, routes).dump(2) << std::endl;
        return kExitOk;
    }
    std::cout << SessionRoutes::describe(found, routes) << '\n';
    for (const auto& line : routes.limitations()) std::cout << line << '\n';
    std::cout.flush();
    return kExitOk;
}
