#include <cstddef>
#include <cstdint>
#include <string_view>

#include "agent/library/BuiltinGroupData.h"
#include "agent/library/GroupDataV1.h"
#include "agent/library/PLClientData.h"
#include "agent/library/UserGroupData.h"
#include "platform/coding/PropertyListSerialization.h"

namespace {

// What decodes must encode to something that decodes to the same value.
template <class T>
void checkRoundTrip(const T& value) {
    auto again = T::fromPropertyList(value.encode());
    if (!again || *again != value) __builtin_trap();
}

}  // namespace

// Either layout of the property-list library files, in either format.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto plist = platform::PropertyListSerialization::read(bytes);
    if (!plist) return 0;

    SharedPurlaneData2 library;
    if (auto builtin = BuiltinGroupData::fromPropertyList(*plist)) {
        checkRoundTrip(*builtin);
        library.builtin = *builtin;
    }
    if (auto user = UserGroupData::fromPropertyList(*plist)) {
        checkRoundTrip(*user);
        library.user = *user;
    }
    if (auto builtin = BuiltinGroupDataV1::fromPropertyList(*plist)) {
        library.builtin = builtin->converted();
        // Rows the first layout marked as headings or separators carry the marker tokens.
        for (const auto& group : library.builtin.groups)
            for (const auto& item : group.items)
                if (item.type == ItemType::label && !item.isLabel()) __builtin_trap();
    }
    if (auto user = UserGroupDataV1::fromPropertyList(*plist)) library.user = user->converted();

    PLClientData snapshot;
    snapshot.update(library);
    for (int type = 0; type <= 3; ++type)
        for (const auto& name : snapshot.groupNames(type)) (void)snapshot.groupNamed(name);
    (void)snapshot.libraryTokenList();
    return 0;
}
