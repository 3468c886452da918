#include "agent/app/PLCmdMakePlainPasteboard.h"

#include "platform/pasteboard/Pasteboard.h"
#include "platform/pasteboard/PasteboardTypes.h"

std::optional<platform::PropertyList> PLCmdMakePlainPasteboard::performDefaultImplementation() {
    auto pasteboard = directString()
                          ? platform::Pasteboard::pasteboardWithName(pasteboards(), *directString())
                          : platform::Pasteboard::generalPasteboard(pasteboards());
    const auto text = pasteboard.stringForType(platform::PasteboardTypes::kString);
    if (!text) return std::nullopt;
    pasteboard.clearContents();
    pasteboard.declareTypes({std::string(platform::PasteboardTypes::kString)});
    pasteboard.setString(*text, platform::PasteboardTypes::kString);
    return std::nullopt;
}
