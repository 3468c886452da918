// sample-engine: a small stand-in for the text-cleaning application the agent works with. It
// publishes a library for the agent and cleans pasteboards on request.

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include "platform/core/Log.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/LinuxApplication.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/SessionPasteboards.h"
#include "tools/sample-engine/EngineService.h"
#include "tools/sample-engine/SampleLibrary.h"

using namespace platform;

namespace {

constexpr const char* kGroup = "KQ4MZR7WXN.com.halvik.purlane";
constexpr const char* kVersion8Identifier = "com.halvik.purlane8";
constexpr const char* kVersion8Bundle = "SampleEngine8.app";

struct Options {
    bool agentMode = false;
    bool registerOnly = false;
    bool version8 = false;
    EngineService::Faults faults;
};

void usage(std::ostream& out) {
    out << "Usage: sample-engine [--agentmode] [--register] [--v8] [--reply-delay MS]\n"
           "                     [--exit-on-request]\n\n"
           "A stand-in for the text-cleaning engine. On every start it writes engine.bundle.id\n"
           "and engine.bundle.url into the shared settings, publishes its library into the\n"
           "shared container's Data folder and posts com.purlane.groupsChanged; then it\n"
           "cleans pasteboards on request until it is quit.\n\n"
           "  --agentmode        run as started by the agent: accessory, no window\n"
           "  --register         publish and exit\n"
           "  --v8               be the version-8 engine (com.halvik.purlane8)\n"
           "  --reply-delay MS   answer each request MS milliseconds late\n"
           "  --exit-on-request  exit instead of answering (fault injection)\n";
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--agentmode") {
            o.agentMode = true;
        } else if (a == "--register") {
            o.registerOnly = true;
        } else if (a == "--v8") {
            o.version8 = true;
        } else if (a == "--exit-on-request") {
            o.faults.exitOnRequest = true;
        } else if (a == "--reply-delay") {
            char* end = nullptr;
            const long ms = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
            if (i + 1 >= argc || *end != '\0' || ms < 0) {
                std::cerr << "sample-engine: --reply-delay needs a number of milliseconds\n";
                return false;
            }
            o.faults.replyDelayMs = static_cast<int>(ms);
            ++i;
        } else {
            std::cerr << "sample-engine: unknown option '" << a << "' (see --help)\n";
            return false;
        }
    }
    return true;
}

// The version-8 engine has an identity of its own: run the copy in its own bundle.
[[noreturn]] void becomeVersion8(char** argv) {
    const auto bundle = Bundle::open(Bundle::main().sharedSupportPath() / kVersion8Bundle);
    const auto executable = bundle ? bundle->executablePath() : std::nullopt;
    if (executable) execv(executable->c_str(), argv);
    std::cerr << "sample-engine: cannot start the version-8 engine in "
              << (Bundle::main().sharedSupportPath() / kVersion8Bundle) << ": "
              << std::strerror(errno) << "\n";
    std::exit(1);
}

bool publish(LinuxApplication& app, bool version8) {
    auto container = LinuxPaths::groupContainerDirectory(kGroup);
    if (!container.ok()) {
        log("No group container: " + container.error().debugDescription());
        return false;
    }
    const auto data = *container / "Data";
    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    const SampleLibrary& library = SampleLibrary::shared();
    DistributedNotificationCenter& center = app.host().distributedCenter();
    if (version8) {
        if (auto s = library.writeLegacyLists(data); !s.ok()) {
            log("Couldn't write the library: " + s.error().debugDescription());
            return false;
        }
        center.post("PLGroupsChangedNotification");
        return true;
    }
    UserDefaults& shared = app.host().suite(kGroup);
    shared.setString("engine.bundle.id", app.bundle().bundleIdentifier().value_or(""));
    shared.setURL("engine.bundle.url", app.bundle().bundleURL());
    if (auto s = library.writeExportPair(data); !s.ok()) {
        log("Couldn't write the library: " + s.error().debugDescription());
        return false;
    }
    center.post("com.purlane.groupsChanged");
    return true;
}

// A round trip to the bus: the notification has left before the program exits.
void flushBus() {
    if (auto* iface = QDBusConnection::sessionBus().interface())
        iface->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage(std::cout);
            return 0;
        }
    }
    Options options;
    if (!parse(argc, argv, options)) return 2;
    if (options.version8 && Bundle::main().bundleIdentifier() != kVersion8Identifier)
        becomeVersion8(argv);

    LinuxApplication app(argc, argv);
    if (!publish(app, options.version8) && options.registerOnly) return 1;
    if (options.registerOnly) {
        flushBus();
        return 0;
    }
    if (options.agentMode) app.setActivationPolicy(ActivationPolicy::Accessory);

    auto pasteboards =
        SessionPasteboards::wrap(FilePasteboardStore::open(), SessionPasteboards::Mode::Plain);
    if (!pasteboards.ok()) {
        log("No pasteboards: " + pasteboards.error().debugDescription());
        return 1;
    }
    EngineService service(*pasteboards, options.faults);
    service.install(app.appleEventManager(), options.version8);
    return app.run();
}
