#include "agent/app/PLCmdNameToToken.h"

std::optional<platform::PropertyList> PLCmdNameToToken::performDefaultImplementation() {
    const std::string* name = directString();
    return platform::PropertyList(name ? client().tokenFor(*name) : std::string());
}
