#include "agent/app/PLCmdApplyCleaner.h"

#include "agent/actions/GlobalActionsDelegate.h"
#include "platform/core/Log.h"

std::optional<platform::PropertyList> PLCmdApplyCleaner::performDefaultImplementation() {
    const std::string* cleaner = directString();
    if (!cleaner) return std::nullopt;
    if (!actions()) {
        // Said, so the user does not wait for a paste that cannot come.
        platform::log("apply cleaner: cleaners cannot be applied in place in this session");
        return std::nullopt;
    }
    CleanerApplyOption option = CleanerApplyOption::standard;
    if (const std::string* name = stringArgument("option")) {
        if (*name == "leave")
            option = CleanerApplyOption::leaveOnClipboard;
        else if (*name == "clipboard")
            option = CleanerApplyOption::cleanClipboard;
        else if (*name != "standard") {
            platform::log("apply cleaner: unknown option '" + *name +
                          "' (standard, leave or clipboard)");
            return std::nullopt;
        }
    }
    actions()->applyCleaner(*cleaner, option);
    return std::nullopt;
}
