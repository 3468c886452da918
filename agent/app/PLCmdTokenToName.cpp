#include "agent/app/PLCmdTokenToName.h"

std::optional<platform::PropertyList> PLCmdTokenToName::performDefaultImplementation() {
    const std::string* token = directString();
    return platform::PropertyList(token ? client().nameFor(*token) : std::string());
}
