// purlanectl services: the Services menu from the shell: its entries, and performing one on
// text, as an application does with the selection.

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/LinuxServicesMenu.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "tools/purlanectl/Command.h"

using namespace platform;

namespace {

int gArgc = 1;
char gArg0[] = "purlanectl";
char* gArgv[] = {gArg0, nullptr};

void usage(std::ostream& out) {
    out << R"USAGE(Usage: purlanectl services list
       purlanectl services perform TITLE [--file FILE] [--type TYPE]

list     prints the titles of the Services menu's entries, one per line: those the installed
         applications declare, then those of the bundles in the user's Services folder
perform  puts standard input (or the contents of FILE) on a new services pasteboard as TYPE,
         performs the entry titled TITLE (starting its application when it does not run),
         waits until it is done and writes the pasteboard's TYPE data to standard output

TYPE is a type identifier (default public.utf8-plain-text: text), for example public.rtf; the
legacy names NSStringPboardType and NSRTFPboardType are taken too.
)USAGE";
}

std::optional<std::string> readInput(const std::optional<std::string>& file) {
    if (!file) {
        std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        if (std::cin.bad()) return std::nullopt;
        return input;
    }
    std::ifstream in(*file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return input;
}

}  // namespace

void helpServices() {
    usage(std::cout);
}

int runServices(const std::vector<std::string>& args) {
    if (args.empty()) {
        usage(std::cerr);
        return kExitUsage;
    }
    const std::string& action = args[0];
    if (action != "list" && action != "perform")
        return fail(kExitUsage, "services: unknown action '" + action + "' (list or perform)");
    std::optional<std::string> title, file, type;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (isHelp(a)) {
            usage(std::cout);
            return kExitOk;
        }
        if (action == "perform" && (a == "--file" || a == "--type")) {
            if (++i >= args.size()) return fail(kExitUsage, "services: " + a + " needs a value");
            if (a == "--file") {
                file = args[i];
            } else if (!PasteboardTypes::isValid(args[i])) {
                return fail(kExitUsage, "services: '" + args[i] + "' is not a valid type");
            } else {
                type = PasteboardTypes::normalize(args[i]);
            }
        } else if (action == "perform" && !title) {
            title = a;
        } else {
            return fail(kExitUsage, "services: unexpected argument '" + a + "'");
        }
    }
    if (action == "perform" && !title)
        return fail(kExitUsage, "services: perform needs the title of an entry");

    QCoreApplication app(gArgc, gArgv);
    QtMainQueue mainQueue;
    DBusAppleEventManager events;
    LinuxWorkspace workspace(mainQueue, events);
    auto store = FilePasteboardStore::open();
    if (!store.ok()) return fail(kExitFailure, "services: " + store.error().debugDescription());
    LinuxServicesMenu menu(events, workspace, *store);

    if (action == "list") {
        for (const auto& entry : menu.entries()) std::cout << entry.menuTitle << '\n';
        std::cout.flush();
        return kExitOk;
    }

    auto entry = menu.entryWithTitle(*title);
    if (!entry) return fail(kExitFailure, "services: no entry is titled '" + *title + "'");
    auto input = readInput(file);
    if (!input)
        return fail(kExitFailure,
                    "services: couldn't read " + (file ? *file : std::string("standard input")));
    auto pasteboard = Pasteboard::pasteboardWithUniqueName(*store);
    if (!pasteboard.ok())
        return fail(kExitFailure, "services: " + pasteboard.error().debugDescription());
    const std::string dataType = type.value_or(std::string(PasteboardTypes::kString));
    pasteboard->clearContents();
    if (!pasteboard->setData(std::move(*input), dataType)) {
        pasteboard->releaseGlobally();
        return fail(kExitFailure, "services: couldn't write to " + pasteboard->name());
    }
    // A provider started for the request must not write into our output, nor die when our
    // caller stops reading it: like any application it gets no terminal of ours.
    const int savedOut = ::dup(STDOUT_FILENO);
    const int savedErr = ::dup(STDERR_FILENO);
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull >= 0 && savedOut >= 0 && savedErr >= 0) {
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
    }
    const Status performed = menu.performService(*entry, *pasteboard);
    for (auto [saved, fd] : {std::pair{savedOut, STDOUT_FILENO}, {savedErr, STDERR_FILENO}}) {
        if (saved < 0) continue;
        ::dup2(saved, fd);
        ::close(saved);
    }
    if (devNull >= 0) ::close(devNull);
    const auto data = pasteboard->dataForType(dataType);
    // The services pasteboard is ours alone: it goes once read.
    pasteboard->releaseGlobally();
    if (!performed.ok())
        return fail(kExitFailure, "services: " + performed.error().localizedDescription);
    if (!data)
        return fail(kExitFailure, "services: the service gave back no " + dataType + " data");
    if (std::fwrite(data->data(), 1, data->size(), stdout) != data->size() ||
        std::fflush(stdout) != 0)
        return fail(kExitFailure, "services: couldn't write standard output");
    return kExitOk;
}
