#pragma once

#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/events/AppleEventDescriptor.h"
#include "platform/events/ScriptingDefinition.h"

namespace platform {

// Script values between Apple-event descriptors and plain values, by the scripting
// definition's types: text ↔ string, boolean ↔ bool, integer, real, file ↔ file URL text,
// list of text ↔ array of strings.
class ScriptValues {
  public:
    // Nothing when the descriptor cannot be read as the type.
    static std::optional<PropertyList> fromDescriptor(const AppleEventDescriptor& desc,
                                                      ScriptingDefinition::Type type);
    // A result of any shape: strings, booleans, numbers and arrays of them.
    static AppleEventDescriptor toDescriptor(const PropertyList& value);
    // What a result descriptor holds, without a declared type.
    static std::optional<PropertyList> fromAnyDescriptor(const AppleEventDescriptor& desc);
};

}  // namespace platform
