#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

// JSON in and out of PropertyList values. Objects keep their key order; null is the null
// value; integers that fit 64 bits stay integers. No exception ever leaves this class.
class Json {
  public:
    // Arrays and objects nest at most this deep, in both directions: deeper documents are
    // refused rather than risking the stack of whoever walks the value later.
    static constexpr size_t kMaxNestingDepth = 512;

    static Result<PropertyList> parse(std::string_view text);
    // Dates are written as ISO 8601 text, data as base64 text; uid values are errors.
    static Result<std::string> serialize(const PropertyList& value, bool pretty = false);
    // Reads as PropertyListSerialization::readFile does, with the same errors.
    static Result<PropertyList> readFile(const std::filesystem::path& path);
};

}  // namespace platform
