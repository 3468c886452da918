#include "platform/events/AppleEventDescriptor.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "platform/core/Utf8.h"

namespace platform {

namespace {

// Mac OS Roman bytes 0x80-0xFF as Unicode; 0xDB is the euro sign (the table since OS 8.5).
constexpr std::array<char16_t, 128> kMacRomanHigh = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

template <class T>
std::string bytesOf(T value) {
    std::string out(sizeof(T), '\0');
    std::memcpy(out.data(), &value, sizeof(T));
    return out;
}

template <class T>
std::optional<T> valueOf(const std::string& bytes) {
    if (bytes.size() != sizeof(T)) return std::nullopt;
    T value;
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

std::optional<std::string> validUtf8(const std::string& bytes) {
    if (!Utf8::isValid(bytes)) return std::nullopt;
    return bytes;
}

std::string utf8FromMacRoman(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        Utf8::append(out, b < 0x80 ? char32_t(b) : char32_t(kMacRomanHigh[b - 0x80]));
    }
    return out;
}

// Nothing when a character has no Mac Roman byte.
std::optional<std::string> macRomanFromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char32_t c;
    for (size_t i = 0; i < utf8.size();) {
        if (!Utf8::next(utf8, i, c)) return std::nullopt;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const auto* found = std::find(kMacRomanHigh.begin(), kMacRomanHigh.end(), c);
        if (found == kMacRomanHigh.end()) return std::nullopt;
        out += static_cast<char>(0x80 + (found - kMacRomanHigh.begin()));
    }
    return out;
}

// UTF-16 in native order; a leading byte-order mark is dropped. Nothing for an odd byte count
// or an unpaired surrogate.
std::optional<std::string> utf8FromUtf16(const std::string& bytes) {
    std::string_view units = bytes;
    if (valueOf<char16_t>(bytes.substr(0, 2)) == char16_t{0xFEFF}) units.remove_prefix(2);
    std::string out;
    out.reserve(bytes.size());
    if (!Utf8::appendUtf16(out, units, std::endian::native)) return std::nullopt;
    return out;
}

std::optional<std::string> utf16FromUtf8(std::string_view utf8) {
    std::u16string units;
    // A text that starts with U+FEFF gets a byte-order mark, or readers would drop that one.
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") units += char16_t{0xFEFF};
    if (!Utf8::toUtf16(utf8, units)) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

bool isTextType(FourCharCode type) {
    return type == DescType::kUTF8Text || type == DescType::kText || type == DescType::kUnicodeText;
}

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

// Decimal text, surrounding white space allowed, as the OS reads numbers from text. No
// infinities or NaNs.
std::optional<double> parseNumber(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int32_t> integralInt32(double value) {
    if (!std::isfinite(value) || std::trunc(value) != value) return std::nullopt;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// Shortest text that reads back as the same double; whole numbers keep a ".0" as the OS shows
// reals ("2.0", not "2").
std::optional<std::string> formatReal(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return std::nullopt;
    std::string text(buffer, end);
    if (text.find_first_not_of("-0123456789") == std::string::npos) text += ".0";
    return text;
}

bool fieldsEqual(const AppleEventDescriptor::Record& a, const AppleEventDescriptor::Record& b) {
    if (a.size() != b.size()) return false;
    // Keys are unique within a record, so sorting both by key lines the fields up.
    using Field = const AppleEventDescriptor::Record::value_type*;
    const auto byKey = [](const AppleEventDescriptor::Record& record) {
        std::vector<Field> out;
        out.reserve(record.size());
        for (const auto& field : record) out.push_back(&field);
        std::sort(out.begin(), out.end(), [](Field x, Field y) { return x->first < y->first; });
        return out;
    };
    const auto sortedA = byKey(a);
    const auto sortedB = byKey(b);
    for (size_t i = 0; i < sortedA.size(); ++i)
        if (sortedA[i]->first != sortedB[i]->first || !(sortedA[i]->second == sortedB[i]->second))
            return false;
    return true;
}

}  // namespace

AppleEventDescriptor::AppleEventDescriptor(FourCharCode type, std::string bytes) : type_(type) {
    // Lists and records hold descriptors, not bytes.
    if (!isList() && !isRecord()) bytes_ = std::move(bytes);
}

AppleEventDescriptor AppleEventDescriptor::string(const std::string& utf8) {
    return {DescType::kUTF8Text, utf8};
}

AppleEventDescriptor AppleEventDescriptor::boolean(bool value) {
    return {DescType::kBoolean, std::string(1, value ? '\1' : '\0')};
}

AppleEventDescriptor AppleEventDescriptor::int32(int32_t value) {
    return {DescType::kSInt32, bytesOf(value)};
}

AppleEventDescriptor AppleEventDescriptor::real(double value) {
    return {DescType::kIEEE64, bytesOf(value)};
}

AppleEventDescriptor AppleEventDescriptor::typeCode(FourCharCode code) {
    return {DescType::kType, bytesOf(code.value())};
}

AppleEventDescriptor AppleEventDescriptor::enumCode(FourCharCode code) {
    return {DescType::kEnumerated, bytesOf(code.value())};
}

AppleEventDescriptor AppleEventDescriptor::fileURL(const Url& url) {
    return {DescType::kFileURL, url.absoluteString()};
}

AppleEventDescriptor AppleEventDescriptor::bundleIdentifier(const std::string& id) {
    return {DescType::kBundleID, id};
}

AppleEventDescriptor AppleEventDescriptor::list(std::vector<AppleEventDescriptor> items) {
    AppleEventDescriptor out(DescType::kList, {});
    out.items_ = std::move(items);
    return out;
}

AppleEventDescriptor AppleEventDescriptor::record(Record fields) {
    // A keyword appears once: a later field replaces an earlier one in its place.
    AppleEventDescriptor out(DescType::kRecord, {});
    std::unordered_map<uint32_t, size_t> index;
    out.fields_.reserve(fields.size());
    for (auto& [key, value] : fields) {
        const auto [it, added] = index.emplace(key.value(), out.fields_.size());
        if (added)
            out.fields_.emplace_back(key, std::move(value));
        else
            out.fields_[it->second].second = std::move(value);
    }
    return out;
}

std::optional<std::string> AppleEventDescriptor::stringValue() const {
    // A list of one item reads as that item, as the OS coerces it.
    if (isList()) return items_.size() == 1 ? items_[0].stringValue() : std::nullopt;
    const FourCharCode t = type_;
    if (t == DescType::kUTF8Text || t == DescType::kBundleID || t == DescType::kFileURL)
        return validUtf8(bytes_);
    if (t == DescType::kText) return utf8FromMacRoman(bytes_);
    if (t == DescType::kUnicodeText) return utf8FromUtf16(bytes_);
    if (t == DescType::kSInt32) {
        if (const auto v = valueOf<int32_t>(bytes_)) return std::to_string(*v);
        return std::nullopt;
    }
    if (t == DescType::kIEEE64) {
        if (const auto v = valueOf<double>(bytes_)) return formatReal(*v);
        return std::nullopt;
    }
    if (t == DescType::kBoolean || t == DescType::kTrue || t == DescType::kFalse) {
        if (const auto v = booleanValue()) return std::string(*v ? "true" : "false");
        return std::nullopt;
    }
    if (t == DescType::kType || t == DescType::kEnumerated) {
        // The code's bytes are Mac Roman characters, so '©opt'-style codes read back.
        if (const auto v = valueOf<uint32_t>(bytes_))
            return utf8FromMacRoman(FourCharCode(*v).text());
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<bool> AppleEventDescriptor::booleanValue() const {
    if (isList()) return items_.size() == 1 ? items_[0].booleanValue() : std::nullopt;
    const FourCharCode t = type_;
    if (t == DescType::kTrue) return true;
    if (t == DescType::kFalse) return false;
    if (t == DescType::kBoolean) {
        if (bytes_.size() != 1) return std::nullopt;
        return bytes_[0] != 0;
    }
    if (t == DescType::kSInt32 || t == DescType::kIEEE64) {
        const auto v = int32Value();
        if (v == 0 || v == 1) return *v == 1;
        return std::nullopt;
    }
    if (t == DescType::kType || t == DescType::kEnumerated) {
        const auto code = typeCodeValue();
        if (code == DescType::kTrue || code == DescType::kFalse) return *code == DescType::kTrue;
        return std::nullopt;
    }
    if (isTextType(t)) {
        auto text = stringValue();
        if (!text) return std::nullopt;
        std::string lower(trimmed(*text));
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
        if (lower == "true") return true;
        if (lower == "false") return false;
    }
    return std::nullopt;
}

std::optional<int32_t> AppleEventDescriptor::int32Value() const {
    if (isList()) return items_.size() == 1 ? items_[0].int32Value() : std::nullopt;
    const FourCharCode t = type_;
    if (t == DescType::kSInt32) return valueOf<int32_t>(bytes_);
    if (t == DescType::kIEEE64) {
        if (const auto v = valueOf<double>(bytes_)) return integralInt32(*v);
        return std::nullopt;
    }
    if (t == DescType::kBoolean || t == DescType::kTrue || t == DescType::kFalse) {
        if (const auto v = booleanValue()) return *v ? 1 : 0;
        return std::nullopt;
    }
    if (isTextType(t)) {
        const auto text = stringValue();
        if (const auto v = text ? parseNumber(*text) : std::nullopt) return integralInt32(*v);
    }
    return std::nullopt;
}

std::optional<double> AppleEventDescriptor::doubleValue() const {
    if (isList()) return items_.size() == 1 ? items_[0].doubleValue() : std::nullopt;
    const FourCharCode t = type_;
    if (t == DescType::kIEEE64) return valueOf<double>(bytes_);
    if (t == DescType::kSInt32) {
        if (const auto v = valueOf<int32_t>(bytes_)) return double(*v);
        return std::nullopt;
    }
    if (isTextType(t)) {
        if (const auto text = stringValue()) return parseNumber(*text);
    }
    return std::nullopt;
}

std::optional<FourCharCode> AppleEventDescriptor::typeCodeValue() const {
    if (isList()) return items_.size() == 1 ? items_[0].typeCodeValue() : std::nullopt;
    if (type_ == DescType::kType || type_ == DescType::kEnumerated) {
        if (const auto v = valueOf<uint32_t>(bytes_)) return FourCharCode(*v);
        return std::nullopt;
    }
    if (isTextType(type_)) {
        const auto text = stringValue();
        const auto bytes = text ? macRomanFromUtf8(*text) : std::nullopt;
        if (bytes && bytes->size() == 4) return FourCharCode(*bytes);
    }
    return std::nullopt;
}

std::optional<Url> AppleEventDescriptor::fileURLValue() const {
    if (isList()) return items_.size() == 1 ? items_[0].fileURLValue() : std::nullopt;
    std::optional<std::string> text;
    if (type_ == DescType::kFileURL) {
        text = validUtf8(bytes_);
    } else if (isTextType(type_)) {
        text = stringValue();
        // A POSIX path; relative paths have no meaning between processes.
        if (text && !text->empty() && text->front() == '/') return Url::fileURLWithPath(*text);
    }
    if (!text) return std::nullopt;
    auto url = Url::parse(*text);
    if (!url || !url->isFileURL()) return std::nullopt;
    return url;
}

std::optional<AppleEventDescriptor> AppleEventDescriptor::coerceToDescriptorType(
    FourCharCode type) const {
    if (type == type_) return *this;
    if (type == DescType::kUTF8Text) {
        if (const auto v = stringValue()) return string(*v);
    } else if (type == DescType::kText) {
        const auto v = stringValue();
        if (auto bytes = v ? macRomanFromUtf8(*v) : std::nullopt)
            return AppleEventDescriptor(DescType::kText, std::move(*bytes));
    } else if (type == DescType::kUnicodeText) {
        const auto v = stringValue();
        if (auto bytes = v ? utf16FromUtf8(*v) : std::nullopt)
            return AppleEventDescriptor(DescType::kUnicodeText, std::move(*bytes));
    } else if (type == DescType::kBoolean) {
        if (const auto v = booleanValue()) return boolean(*v);
    } else if (type == DescType::kSInt32) {
        if (const auto v = int32Value()) return int32(*v);
    } else if (type == DescType::kIEEE64) {
        if (const auto v = doubleValue()) return real(*v);
    } else if (type == DescType::kType) {
        if (const auto v = typeCodeValue()) return typeCode(*v);
    } else if (type == DescType::kEnumerated) {
        if (const auto v = typeCodeValue()) return enumCode(*v);
    } else if (type == DescType::kFileURL) {
        if (const auto v = fileURLValue()) return fileURL(*v);
    } else if (type == DescType::kList) {
        return list({*this});
    }
    return std::nullopt;
}

const AppleEventDescriptor* AppleEventDescriptor::descriptorAtIndex(size_t index) const {
    if (index == 0 || index > items_.size()) return nullptr;
    return &items_[index - 1];
}

void AppleEventDescriptor::insertDescriptor(AppleEventDescriptor item) {
    if (isList()) items_.push_back(std::move(item));
}

const AppleEventDescriptor* AppleEventDescriptor::descriptorForKeyword(FourCharCode key) const {
    for (const auto& [k, value] : fields_)
        if (k == key) return &value;
    return nullptr;
}

void AppleEventDescriptor::setDescriptor(FourCharCode key, AppleEventDescriptor value) {
    if (!isRecord()) return;
    for (auto& [k, existing] : fields_) {
        if (k == key) {
            existing = std::move(value);
            return;
        }
    }
    fields_.emplace_back(key, std::move(value));
}

void AppleEventDescriptor::removeDescriptor(FourCharCode key) {
    std::erase_if(fields_, [key](const auto& field) { return field.first == key; });
}

bool operator==(const AppleEventDescriptor& a, const AppleEventDescriptor& b) {
    if (a.type_ != b.type_) return false;
    if (a.isList()) return a.items_ == b.items_;
    if (a.isRecord()) return fieldsEqual(a.fields_, b.fields_);
    return a.bytes_ == b.bytes_;
}

}  // namespace platform
