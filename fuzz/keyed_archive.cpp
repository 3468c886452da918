// Keyed archives come from other processes (Apple-event payloads): unarchiving must reject
// anything malformed without crashing, and whatever it accepts must archive and read back equal.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/coding/KeyedArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using platform::KeyedArchive;
    const auto value =
        KeyedArchive::unarchiveData(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value) return 0;

    const auto archived = KeyedArchive::archive(*value);
    if (!archived) std::abort();
    const auto again = KeyedArchive::unarchive(*archived);
    if (!again || *again != *value) std::abort();

    // The same through bytes, as values travel between processes.
    const auto bytes = KeyedArchive::archivedData(*value);
    if (!bytes) std::abort();
    const auto fromBytes = KeyedArchive::unarchiveData(*bytes);
    if (!fromBytes || *fromBytes != *value) std::abort();
    return 0;
}
