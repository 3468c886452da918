#include <cstddef>
#include <cstdint>
#include <string_view>

#include "agent/library/ExportGroupList.h"
#include "agent/library/PLClientData.h"
#include "platform/coding/Json.h"

// The JSON export is written by another program into a folder anyone can write to.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto json = platform::Json::parse(text);
    if (!json) return 0;
    auto list = ExportGroupList::fromPropertyList(*json);
    if (!list) return 0;

    SharedPurlaneData2 library;
    library.builtin.groups = list->convertedGroups();
    library.builtin.library = list->convert(list->special);
    library.user.ccleaners = library.builtin.library;
    library.user.ccleaners.uuid = Group::kCustomUuid;
    // Rows are only ever dropped, never made up.
    for (size_t i = 0; i < list->groups.size(); ++i)
        if (library.builtin.groups[i].items.size() > list->groups[i].tokens.size())
            __builtin_trap();

    PLClientData snapshot;
    snapshot.update(library);
    snapshot.update(library);
    for (int type = 0; type <= 3; ++type)
        for (const auto& name : snapshot.groupNames(type)) (void)snapshot.groupNamed(name);
    (void)snapshot.libraryTokenList();
    return 0;
}
