#include "agent/app/PLCmdIsValidTextEncoding.h"

std::optional<platform::PropertyList> PLCmdIsValidTextEncoding::performDefaultImplementation() {
    const std::string* name = directString();
    return platform::PropertyList(name ? client().validateEncodingName(*name) : false);
}
