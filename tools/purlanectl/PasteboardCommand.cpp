// purlanectl pasteboard: the platform's pasteboards from the shell.

#include <cstdio>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/SessionPasteboards.h"
#include "platform/pasteboard/Pasteboard.h"
#include "tools/purlanectl/Command.h"

using platform::Pasteboard;
using platform::PasteboardTypes;

namespace {

void usage(std::ostream& out) {
    out << R"USAGE(Usage: purlanectl pasteboard copy [-p NAME] [-t TYPE]
       purlanectl pasteboard paste [-p NAME] [-t TYPE]
       purlanectl pasteboard types [-p NAME]
       purlanectl pasteboard clear [-p NAME]

copy   replaces the pasteboard's contents with standard input, as TYPE
paste  writes the pasteboard's TYPE data to standard output; exit 1 when it has none
types  lists the types on the pasteboard, one per line
clear  empties the pasteboard

NAME is a pasteboard name; without -p, the general pasteboard ("Apple CFPasteboard general").
TYPE is a type identifier (default public.utf8-plain-text: text), for example public.rtf,
public.html, public.png; the legacy names NSStringPboardType, NSRTFPboardType and
NSRTFDPboardType are taken too.
)USAGE";
}

}  // namespace

void helpPasteboard() {
    usage(std::cout);
}

int runPasteboard(const std::vector<std::string>& args) {
    if (args.empty()) {
        usage(std::cerr);
        return kExitUsage;
    }
    const std::string& action = args[0];
    if (action != "copy" && action != "paste" && action != "types" && action != "clear")
        return fail(kExitUsage, "pasteboard: unknown action '" + action +
                                    "' (copy, paste, types "
                                    "or clear)");
    std::optional<std::string> name, type;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (isHelp(flag)) {
            usage(std::cout);
            return kExitOk;
        }
        if (flag != "-p" && flag != "-t")
            return fail(kExitUsage, "pasteboard: unexpected argument '" + flag + "'");
        if (++i >= args.size()) return fail(kExitUsage, "pasteboard: " + flag + " needs a value");
        if (flag == "-p") {
            name = args[i];
        } else {
            if (action == "types" || action == "clear")
                return fail(kExitUsage, "pasteboard: -t goes with copy and paste only");
            if (!PasteboardTypes::isValid(args[i]))
                return fail(kExitUsage, "pasteboard: '" + args[i] + "' is not a valid type");
            type = PasteboardTypes::normalize(args[i]);
        }
    }

    // Contents copied here outlive the command: on its way out the clipboard goes to the
    // agent's watcher or to a clipboard manager.
    auto store = platform::SessionPasteboards::wrap(platform::FilePasteboardStore::open(),
                                                    platform::SessionPasteboards::Mode::Plain);
    if (!store.ok()) return fail(kExitFailure, "pasteboard: " + store.error().debugDescription());
    Pasteboard pasteboard = name ? Pasteboard::pasteboardWithName(*store, *name)
                                 : Pasteboard::generalPasteboard(*store);
    const std::string dataType = type.value_or(std::string(PasteboardTypes::kString));

    if (action == "copy") {
        std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
        if (std::cin.bad()) return fail(kExitFailure, "pasteboard: couldn't read standard input");
        pasteboard.clearContents();
        if (!pasteboard.setData(std::move(input), dataType))
            return fail(kExitFailure, "pasteboard: couldn't write to " + pasteboard.name());
        return kExitOk;
    }
    if (action == "paste") {
        auto data = pasteboard.dataForType(dataType);
        if (!data)
            return fail(kExitFailure,
                        "pasteboard: no " + dataType + " data on " + pasteboard.name());
        if (std::fwrite(data->data(), 1, data->size(), stdout) != data->size() ||
            std::fflush(stdout) != 0)
            return fail(kExitFailure, "pasteboard: couldn't write standard output");
        return kExitOk;
    }
    if (action == "types") {
        for (const auto& t : pasteboard.types()) std::cout << t << '\n';
        std::cout.flush();
        return kExitOk;
    }
    pasteboard.clearContents();
    return kExitOk;
}
