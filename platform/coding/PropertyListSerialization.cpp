#include "platform/coding/PropertyListSerialization.h"

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/XmlPropertyList.h"
#include "platform/core/WholeFile.h"

namespace platform {

Result<PropertyList> PropertyListSerialization::read(std::string_view bytes,
                                                     PropertyListFormat* format) {
    // Any "bplist" header goes to the binary reader, which names an unknown version precisely.
    if (bytes.starts_with("bplist")) {
        if (format) *format = PropertyListFormat::Binary;
        return BinaryPropertyList::read(bytes);
    }
    if (format) *format = PropertyListFormat::Xml;
    return XmlPropertyList::read(bytes);
}

Result<std::string> PropertyListSerialization::write(const PropertyList& value,
                                                     PropertyListFormat format) {
    return format == PropertyListFormat::Binary ? BinaryPropertyList::write(value)
                                                : XmlPropertyList::write(value);
}

Result<PropertyList> PropertyListSerialization::readFile(const std::filesystem::path& path,
                                                         PropertyListFormat* format) {
    Result<std::string> bytes = WholeFile::contents(path);
    if (!bytes) return bytes.error();
    return read(*bytes, format);
}

}  // namespace platform
