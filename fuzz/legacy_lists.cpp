#include <cstddef>
#include <cstdint>
#include <string_view>

#include "agent/library/PL8ListData.h"
#include "agent/library/PLClientData.h"
#include "platform/coding/PropertyListSerialization.h"

// The version-8 engine's list file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto plist = platform::PropertyListSerialization::read(bytes);
    if (!plist) return 0;
    auto lists = PL8ListData::fromPropertyList(*plist);
    if (!lists) return 0;

    const SharedPurlaneData2 library = lists->converted();
    // The special groups are always there, under their uuids, and built-in uuids are special.
    if (library.builtin.library.uuid != Group::kLibraryUuid ||
        library.user.ccleaners.uuid != Group::kCustomUuid)
        __builtin_trap();
    for (const auto& group : library.builtin.groups)
        if (group.uuid.rfind("##", 0) != 0 || group.uuid == Group::kLibraryUuid) __builtin_trap();
    for (const auto& item : library.builtin.library.items)
        if (item.token.empty() || item.token[0] != '#') __builtin_trap();

    PLClientData snapshot;
    snapshot.update(library);
    for (const auto& name : snapshot.groupNames(0)) (void)snapshot.groupNamed(name);
    return 0;
}
