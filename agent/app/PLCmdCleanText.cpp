#include "agent/app/PLCmdCleanText.h"

#include "platform/pasteboard/Pasteboard.h"

std::optional<platform::PropertyList> PLCmdCleanText::performDefaultImplementation() {
    const std::string* text = directString();
    if (!text) return platform::PropertyList("");
    const std::string* cleanerArgument = stringArgument("cleanerName");
    const std::string cleaner = cleanerArgument ? *cleanerArgument : std::string();

    auto created = platform::Pasteboard::pasteboardWithUniqueName(pasteboards());
    if (!created.ok()) return platform::PropertyList("");
    platform::Pasteboard pasteboard = std::move(created).value();
    pasteboard.clearContents();
    pasteboard.writeObjects({*text});
    client().cleanPasteboard(pasteboard, cleaner);
    const auto strings = pasteboard.readObjects();
    // The pasteboard is ours alone: released here, or the shared store would keep every text
    // ever cleaned.
    pasteboard.releaseGlobally();
    return platform::PropertyList(strings.empty() ? std::string() : strings.front());
}
