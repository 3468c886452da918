#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/coding/StringsTable.h"

// Strings tables come from bundles on disk, which anyone can edit.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto table = platform::StringsTable::parse(bytes);
    if (table) {
        // Every key read must be found again, with the value iteration gives.
        for (const auto& [key, value] : *table) {
            const std::string* found = table->find(key);
            if (!found || *found != value) __builtin_trap();
        }
    }
    return 0;
}
