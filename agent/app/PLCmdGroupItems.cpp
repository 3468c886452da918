#include "agent/app/PLCmdGroupItems.h"

#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "platform/workspace/Localization.h"

std::optional<platform::PropertyList> PLCmdGroupItems::performDefaultImplementation() {
    const std::string* given = stringArgument("groupName");
    const std::string groupName =
        given
            ? *given
            : platform::localized("Standard", "AppleScript Group Items Group Name Parameter value");
    const bool asToken = boolArgument("asToken").value_or(false);

    const PLClientData& data = client().groups().clientData();
    std::optional<Group> group;
    if (groupName.starts_with("##")) {
        group = data.groupWithUuid(groupName);
    } else {
        group = data.groupNamed(groupName);
    }
    platform::PropertyList::Array result;
    if (group)
        for (const auto& item : group->items) result.emplace_back(asToken ? item.token : item.name);
    return platform::PropertyList(std::move(result));
}
