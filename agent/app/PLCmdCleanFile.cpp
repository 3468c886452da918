#include "agent/app/PLCmdCleanFile.h"

#include "platform/core/Url.h"

std::optional<platform::PropertyList> PLCmdCleanFile::performDefaultImplementation() {
    const std::string* text = directString();
    if (!text) return std::nullopt;
    if (auto url = platform::Url::parse(*text)) client().cleanWithUrl(*url, evaluatedArguments());
    return std::nullopt;
}
