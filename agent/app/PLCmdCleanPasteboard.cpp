#include "agent/app/PLCmdCleanPasteboard.h"

#include "platform/pasteboard/Pasteboard.h"

std::optional<platform::PropertyList> PLCmdCleanPasteboard::performDefaultImplementation() {
    const std::string* cleaner = stringArgument("cleanerName");
    if (!cleaner) return std::nullopt;
    auto pasteboard = directString()
                          ? platform::Pasteboard::pasteboardWithName(pasteboards(), *directString())
                          : platform::Pasteboard::generalPasteboard(pasteboards());
    client().cleanPasteboard(pasteboard, *cleaner);
    return std::nullopt;
}
