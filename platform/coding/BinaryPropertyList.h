#pragma once

#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

// The OS's binary property-list format ("bplist00"). The reader rejects truncated input,
// out-of-range offsets and object references, and cycles.
class BinaryPropertyList {
  public:
    static constexpr std::string_view kMagic = "bplist00";
    static Result<PropertyList> read(std::string_view bytes);
    // Null values are errors.
    static Result<std::string> write(const PropertyList& value);
};

}  // namespace platform
