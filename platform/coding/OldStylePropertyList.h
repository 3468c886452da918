#pragma once

#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

// The old text format of property lists, as the OS's `defaults read` prints values and
// `defaults write` accepts them: { key = value; }, ( a, b ), "quoted strings", <0a0b0c0d>.
class OldStylePropertyList {
  public:
    // Keys sorted, four spaces per level; containers nested in a container start with their own
    // level's indentation, as the OS prints them. Numbers are decimal, booleans 1 or 0, dates
    // quoted ("2026-12-06 18:16:44 +0000"). Strings are quoted when they need to be.
    static std::string write(const PropertyList& value);

    // One value: strings, quoted strings with escapes, arrays, dictionaries, <hex data>, with
    // comments allowed between tokens. The format has no other types: numbers come back as
    // strings. Errors name the line and column.
    static Result<PropertyList> read(std::string_view text);
};

}  // namespace platform
