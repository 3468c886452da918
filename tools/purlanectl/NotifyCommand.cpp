// purlanectl notify / observe: distributed notifications from and to the shell.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "platform/linux/DBusDistributedCenter.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/SessionBusWatch.h"
#include "tools/purlanectl/Command.h"

namespace {

// Qt wants argc/argv that outlive the application object.
int gArgc = 1;
char gArg0[] = "purlanectl";
char* gArgv[] = {gArg0, nullptr};

// A round trip to the bus daemon: everything sent before it has left this process, and match
// rules added before it are in force.
void syncWithBus() {
    if (auto* iface = QDBusConnection::sessionBus().interface())
        iface->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
}

}  // namespace

void helpNotify() {
    std::cout << "Usage: purlanectl notify NAME [--object OBJECT]\n\n"
                 "Posts the distributed notification NAME to every process of the session.\n";
}

int runNotify(const std::vector<std::string>& args) {
    std::optional<std::string> name, object;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--object") {
            if (++i >= args.size()) return fail(kExitUsage, "notify: --object needs a value");
            object = args[i];
        } else if (!name && !args[i].starts_with("--")) {
            name = args[i];
        } else {
            return fail(kExitUsage, "notify: unexpected argument '" + args[i] + "'");
        }
    }
    if (!name || name->empty()) return fail(kExitUsage, "notify: a notification name is needed");

    QCoreApplication app(gArgc, gArgv);
    platform::QtMainQueue mainQueue;
    platform::DBusDistributedCenter center(mainQueue);
    if (!center.connected())
        return fail(kExitFailure, "notify: no session bus, the notification reached nobody");
    center.post(*name, object);
    syncWithBus();
    return kExitOk;
}

void helpObserve() {
    std::cout << "Usage: purlanectl observe NAME... [--count N] [--timeout SECONDS]\n\n"
                 "Prints each distributed notification NAME as it arrives, one line each:\n"
                 "the name, then the object when there is one. Says \"observing\" on stderr\n"
                 "once it listens. Stops after N notifications (exit 0) or after the time-out\n"
                 "(exit 1 when fewer than N arrived; exit 0 without --count). Without either it\n"
                 "runs until interrupted or until the session bus goes away (exit 0).\n";
}

int runObserve(const std::vector<std::string>& args) {
    std::vector<std::string> names;
    std::optional<long> count;
    std::optional<double> timeout;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count" || args[i] == "--timeout") {
            const std::string flag = args[i];
            if (++i >= args.size()) return fail(kExitUsage, "observe: " + flag + " needs a value");
            char* end = nullptr;
            const double v = std::strtod(args[i].c_str(), &end);
            if (args[i].empty() || *end != '\0' || v <= 0)
                return fail(kExitUsage,
                            "observe: " + flag + " needs a positive number, not '" + args[i] + "'");
            if (flag == "--count") {
                if (v != static_cast<long>(v))
                    return fail(kExitUsage, "observe: --count needs a whole number");
                count = static_cast<long>(v);
            } else {
                timeout = v;
            }
        } else if (args[i].starts_with("--")) {
            return fail(kExitUsage, "observe: unknown option '" + args[i] + "'");
        } else {
            names.push_back(args[i]);
        }
    }
    if (names.empty()) return fail(kExitUsage, "observe: at least one notification name is needed");

    QCoreApplication app(gArgc, gArgv);
    platform::QtMainQueue mainQueue;
    platform::DBusDistributedCenter center(mainQueue);
    if (!center.connected()) return fail(kExitFailure, "observe: no session bus");
    platform::SessionBusWatch sessionEnd([&] { app.exit(kExitOk); });

    long seen = 0;
    int status = kExitOk;
    for (const auto& name : names) {
        center.addObserver(name, std::nullopt, [&](const platform::DistributedNotification& n) {
            std::cout << n.name;
            if (n.object) std::cout << ' ' << *n.object;
            std::cout << std::endl;
            if (count && ++seen >= *count) app.exit(kExitOk);
        });
    }
    if (timeout) {
        mainQueue.asyncAfter(*timeout, [&] {
            if (count && seen < *count) {
                std::cerr << "purlanectl: observe: timed out after " << seen << " of " << *count
                          << " notifications" << std::endl;
                status = kExitFailure;
            }
            app.exit(status);
        });
    }
    syncWithBus();
    std::cerr << "observing" << std::endl;
    return app.exec();
}
