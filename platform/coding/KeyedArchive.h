#pragma once

#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

// The OS's keyed-archiver layout for plain values: dictionaries, arrays, strings, integers,
// reals, booleans, data, dates and null ("$null"), as NSDictionary, NSArray, NSString,
// NSNumber, NSData and NSDate objects. Malformed archives (bad references, cycles, unknown
// classes, missing keys) are errors.
class KeyedArchive {
  public:
    // The archive as a property list ("$archiver", "$version", "$top", "$objects").
    static Result<PropertyList> archive(const PropertyList& root);
    // The archive written as a binary property list, as the OS's archiver produces it.
    static Result<std::string> archivedData(const PropertyList& root);

    static Result<PropertyList> unarchive(const PropertyList& archive);
    // Bytes of a binary or XML property list holding an archive.
    static Result<PropertyList> unarchiveData(std::string_view bytes);
};

}  // namespace platform
