#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

enum class PropertyListFormat { Xml, Binary };

// Reads either property-list format (told apart by the "bplist00" magic) and writes both.
// Malformed input of any kind is an error value: never a crash, an abort or unbounded memory.
class PropertyListSerialization {
  public:
    static Result<PropertyList> read(std::string_view bytes, PropertyListFormat* format = nullptr);
    static Result<std::string> write(const PropertyList& value, PropertyListFormat format);

    // Reads with WholeFile::contents: a missing, unreadable, oversized or irregular file gives
    // the OS's error naming the file.
    static Result<PropertyList> readFile(const std::filesystem::path& path,
                                         PropertyListFormat* format = nullptr);
};

}  // namespace platform
