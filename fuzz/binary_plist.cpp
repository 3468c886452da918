// Reads arbitrary bytes as a binary property list. Whatever reads must write in both formats and
// read back as the same value (for XML: what its text form keeps); a difference aborts.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/XmlPropertyList.h"

using platform::BinaryPropertyList;
using platform::Date;
using platform::PropertyList;
using platform::XmlPropertyList;

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "binary_plist: %s\n", what);
    std::abort();
}

// What the XML form keeps of a value: dates to the whole second, and a dictionary holding only
// a non-negative "CF$UID" integer becomes a uid. False when a date has no text form at all.
bool asXmlKeepsIt(const PropertyList& value, PropertyList& out) {
    if (auto date = value.asDate()) {
        const double t = date->timeIntervalSinceReferenceDate();
        Date back;
        if (!std::isfinite(t) || !Date::parseIso8601(date->iso8601(), back) ||
            std::fabs(back.timeIntervalSinceReferenceDate() - t) >= 1.0)
            return false;
        out = back;
    } else if (const auto* array = value.asArray()) {
        PropertyList::Array items(array->size());
        for (size_t i = 0; i < array->size(); ++i)
            if (!asXmlKeepsIt((*array)[i], items[i])) return false;
        out = std::move(items);
    } else if (const auto* dict = value.asDictionary()) {
        PropertyList::Dictionary entries;
        for (const auto& [key, item] : *dict) {
            PropertyList kept;
            if (!asXmlKeepsIt(item, kept)) return false;
            entries.set(key, std::move(kept));
        }
        const auto uid = entries.size() == 1 && entries.contains("CF$UID")
                             ? entries.find("CF$UID")->asInteger()
                             : std::nullopt;
        if (uid && *uid >= 0) {
            out = platform::Uid{static_cast<uint64_t>(*uid)};
        } else {
            out = std::move(entries);
        }
    } else {
        out = value;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto value =
        BinaryPropertyList::read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value) return 0;

    const auto binary = BinaryPropertyList::write(*value);
    require(binary.ok(), "binary writer refused a value the binary reader produced");
    const auto fromBinary = BinaryPropertyList::read(*binary);
    require(fromBinary.ok(), "binary reader refused the binary writer's output");
    require(*fromBinary == *value, "binary round trip changed the value");
    require(*BinaryPropertyList::write(*fromBinary) == *binary, "binary writer is not stable");

    PropertyList expected;
    const bool writable = asXmlKeepsIt(*value, expected);
    const auto xml = XmlPropertyList::write(*value);
    require(xml.ok() == writable, "XML writer refused a value it can hold, or took one it cannot");
    if (!writable) return 0;
    const auto fromXml = XmlPropertyList::read(*xml);
    require(fromXml.ok(), "XML reader refused the XML writer's output");
    require(*fromXml == expected, "XML round trip changed the value");
    return 0;
}
