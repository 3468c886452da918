// Reads arbitrary bytes as an XML property list. Whatever reads must write in both formats and
// read back unchanged; a difference aborts, so the fuzzer reports it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/XmlPropertyList.h"

using platform::BinaryPropertyList;
using platform::PropertyList;
using platform::XmlPropertyList;

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "xml_plist: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto value =
        XmlPropertyList::read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value) return 0;

    const auto xml = XmlPropertyList::write(*value);
    require(xml.ok(), "XML writer refused a value the XML reader produced");
    const auto fromXml = XmlPropertyList::read(*xml);
    require(fromXml.ok(), "XML reader refused the XML writer's output");
    require(*fromXml == *value, "XML round trip changed the value");

    const auto binary = BinaryPropertyList::write(*value);
    require(binary.ok(), "binary writer refused a value the XML reader produced");
    const auto fromBinary = BinaryPropertyList::read(*binary);
    require(fromBinary.ok(), "binary reader refused the binary writer's output");
    require(*fromBinary == *value, "binary round trip changed the value");
    return 0;
}
