#include "agent/app/PLCmdCleanClipboard.h"

std::optional<platform::PropertyList> PLCmdCleanClipboard::performDefaultImplementation() {
    if (const std::string* cleaner = stringArgument("cleanerName"))
        client().cleanClipboardWith(*cleaner);
    return std::nullopt;
}
