// Dynamic Services bundles are files anyone may put in the user's Services folder: whatever
// their info.plist holds, the entries read from it are whole and name valid types.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/coding/PropertyListSerialization.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "platform/services/ServiceEntry.h"

using namespace platform;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto plist = PropertyListSerialization::read(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (!plist.ok()) return 0;
    const PropertyList* services = plist->get(ServiceEntry::kServicesKey);
    std::vector<std::string> problems;
    for (const auto& entry : ServiceEntry::listFrom(services ? *services : *plist, &problems)) {
        check(!entry.menuTitle.empty() && !entry.message.empty() && !entry.portName.empty());
        for (const auto& types : {entry.sendTypes, entry.returnTypes})
            for (const auto& type : types)
                check(PasteboardTypes::isValid(type) && PasteboardTypes::normalize(type) == type);
        check(!entry.timeout || *entry.timeout > 0);
    }
    return 0;
}
