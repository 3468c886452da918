#include "agent/app/PLCmdTextEncodingList.h"

std::optional<platform::PropertyList> PLCmdTextEncodingList::performDefaultImplementation() {
    platform::PropertyList::Array names;
    for (auto& name : client().textEncodingList()) names.emplace_back(std::move(name));
    return platform::PropertyList(std::move(names));
}
