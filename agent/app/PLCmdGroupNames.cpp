#include "agent/app/PLCmdGroupNames.h"

#include "agent/engine/Lowercase.h"
#include "platform/workspace/Localization.h"

std::optional<platform::PropertyList> PLCmdGroupNames::performDefaultImplementation() {
    int type = 0;
    if (const std::string* limit = stringArgument("limitValue")) {
        const std::string lowered = lowercased(*limit);
        if (lowered == platform::localized("built-in", "AppleScript Group Names Parameter value")) {
            type = 2;
        } else if (lowered ==
                   platform::localized("user", "AppleScript Group Names Parameter value")) {
            type = 3;
        }
    }
    platform::PropertyList::Array names;
    for (auto& name : client().grouplist(type)) names.emplace_back(std::move(name));
    return platform::PropertyList(std::move(names));
}
