#include "agent/app/PLCmdPickCleaner.h"

#include "platform/workspace/Localization.h"

std::optional<platform::PropertyList> PLCmdPickCleaner::performDefaultImplementation() {
    if (evaluatedArguments().empty()) return platform::PropertyList(std::string("#CANCEL"));
    const bool asToken = boolArgument("asToken").value_or(false);
    const std::string* given = stringArgument("startingGroup");
    const std::string startingGroup =
        given ? *given : platform::localized("Standard", "Default Start Group for CmdPickCleaner");
    const std::string token = client().showPickListWithStart(startingGroup);
    return platform::PropertyList(asToken ? token : client().nameFor(token));
}
