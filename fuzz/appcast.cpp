#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/updates/Appcast.h"

// Appcasts come from the network.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto cast = platform::Appcast::parse(bytes);
    if (!cast || cast->items().empty()) return 0;
    // The version order is a consistent order, and the best update is newest of them all.
    const auto best = cast->bestUpdate("", std::nullopt);
    for (const auto& a : cast->items()) {
        for (const auto& b : cast->items()) {
            using platform::Appcast;
            if (Appcast::compareVersions(a.version, b.version) !=
                -Appcast::compareVersions(b.version, a.version))
                __builtin_trap();
        }
        if (best && platform::Appcast::compareVersions(best->version, a.version) < 0)
            __builtin_trap();
    }
    return 0;
}
