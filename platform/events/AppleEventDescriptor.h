#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/FourCharCode.h"
#include "platform/core/Url.h"

namespace platform {

// Descriptor type codes in use.
namespace DescType {
constexpr FourCharCode kNull = FourCharCode::make("null");
constexpr FourCharCode kUTF8Text = FourCharCode::make("utf8");
constexpr FourCharCode kText = FourCharCode::make("TEXT");         // Mac Roman text
constexpr FourCharCode kUnicodeText = FourCharCode::make("utxt");  // UTF-16, native byte order
constexpr FourCharCode kBoolean = FourCharCode::make("bool");
constexpr FourCharCode kTrue = FourCharCode::make("true");
constexpr FourCharCode kFalse = FourCharCode::make("fals");
constexpr FourCharCode kSInt32 = FourCharCode::make("long");
constexpr FourCharCode kIEEE64 = FourCharCode::make("doub");
constexpr FourCharCode kType = FourCharCode::make("type");
constexpr FourCharCode kEnumerated = FourCharCode::make("enum");
constexpr FourCharCode kFileURL = FourCharCode::make("furl");
constexpr FourCharCode kBundleID = FourCharCode::make("bund");
constexpr FourCharCode kList = FourCharCode::make("list");
constexpr FourCharCode kRecord = FourCharCode::make("reco");
constexpr FourCharCode kAppleEvent = FourCharCode::make("aevt");
}  // namespace DescType

// Keywords of the OS's event parameters and attributes.
namespace AEKeyword {
constexpr FourCharCode kDirectObject = FourCharCode::make("----");
constexpr FourCharCode kErrorNumber = FourCharCode::make("errn");
constexpr FourCharCode kErrorString = FourCharCode::make("errs");
}  // namespace AEKeyword

// A typed Apple-event value: plain data of a four-character type, a list, or a record keyed by
// four-character codes. Coercions follow the OS for the types above.
class AppleEventDescriptor {
  public:
    using Record = std::vector<std::pair<FourCharCode, AppleEventDescriptor>>;

    AppleEventDescriptor() = default;  // a null descriptor
    AppleEventDescriptor(FourCharCode type, std::string bytes);

    static AppleEventDescriptor null() { return {}; }
    static AppleEventDescriptor string(const std::string& utf8);          // 'utf8'
    static AppleEventDescriptor boolean(bool value);                      // 'bool', one byte
    static AppleEventDescriptor int32(int32_t value);                     // 'long'
    static AppleEventDescriptor real(double value);                       // 'doub'
    static AppleEventDescriptor typeCode(FourCharCode code);              // 'type'
    static AppleEventDescriptor enumCode(FourCharCode code);              // 'enum'
    static AppleEventDescriptor fileURL(const Url& url);                  // 'furl', URL text
    static AppleEventDescriptor bundleIdentifier(const std::string& id);  // 'bund'
    static AppleEventDescriptor list(std::vector<AppleEventDescriptor> items = {});
    static AppleEventDescriptor record(Record fields = {});

    FourCharCode descriptorType() const { return type_; }
    bool isNull() const { return type_ == DescType::kNull; }
    bool isList() const { return type_ == DescType::kList; }
    bool isRecord() const { return type_ == DescType::kRecord || type_ == DescType::kAppleEvent; }
    // The raw bytes of plain data.
    const std::string& data() const { return bytes_; }

    // Coercions; nothing when the value cannot be read as the type asked.
    std::optional<std::string> stringValue() const;  // text types, numbers, type codes
    std::optional<bool> booleanValue() const;        // 'bool', 'true', 'fals', numbers, "true"
    std::optional<int32_t> int32Value() const;       // integers, integral reals, numeric text
    std::optional<double> doubleValue() const;
    std::optional<FourCharCode> typeCodeValue() const;  // 'type', 'enum'
    std::optional<Url> fileURLValue() const;            // 'furl', or a path / file URL text
    // A copy as the given type, when a coercion exists ('utf8', 'TEXT', 'utxt', 'bool',
    // 'long', 'doub', 'type', 'enum', 'furl').
    std::optional<AppleEventDescriptor> coerceToDescriptorType(FourCharCode type) const;

    // Lists (1-based, as the OS counts).
    size_t numberOfItems() const { return items_.size(); }
    const AppleEventDescriptor* descriptorAtIndex(size_t index) const;
    void insertDescriptor(AppleEventDescriptor item);  // appends
    const std::vector<AppleEventDescriptor>& items() const { return items_; }

    // Records.
    const AppleEventDescriptor* descriptorForKeyword(FourCharCode key) const;
    void setDescriptor(FourCharCode key, AppleEventDescriptor value);  // replaces or appends
    void removeDescriptor(FourCharCode key);
    const Record& fields() const { return fields_; }

    friend bool operator==(const AppleEventDescriptor& a, const AppleEventDescriptor& b);

  private:
    // The decoder builds large records without a lookup per field.
    friend class AppleEventCodec;

    FourCharCode type_ = DescType::kNull;
    std::string bytes_;
    std::vector<AppleEventDescriptor> items_;
    Record fields_;
};

}  // namespace platform
