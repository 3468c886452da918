#pragma once

#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

namespace platform {

// The OS's XML property-list format ("<plist version="1.0">").
class XmlPropertyList {
  public:
    static Result<PropertyList> read(std::string_view bytes);
    // Tab-indented, with the usual XML declaration and DOCTYPE. Null and uid values are errors.
    static Result<std::string> write(const PropertyList& value);
};

}  // namespace platform
