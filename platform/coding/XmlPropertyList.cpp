#include "platform/coding/XmlPropertyList.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <pugixml.hpp>

#include "platform/core/Utf8.h"

namespace platform {

// Reading accepts a <plist> root holding exactly one value, and also a bare value as the root
// element (some hand-written files leave <plist> out). Only UTF-8 input is read. Entities are
// decoded here rather than by the parser so that "&#0;" survives as a NUL in a string, and no
// entity declared in a DOCTYPE is ever expanded.

namespace {

// Containers nested deeper than this are refused: recursion must stay far from the stack limit.
constexpr int kMaxDepth = 512;

// Whitespace-only text is kept so that <string> </string> reads as a space; line ends are
// normalised as XML requires. Comments, processing instructions and the DOCTYPE are skipped.
// Fragment mode keeps text outside the root element, so that trailing junk can be refused.
constexpr unsigned kParseOptions =
    pugi::parse_cdata | pugi::parse_eol | pugi::parse_ws_pcdata | pugi::parse_fragment;

const char* const kWriteInvalid =
    "The data couldn\u2019t be written because it isn\u2019t in the correct format.";

constexpr const char* kUidKey = "CF$UID";

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isXmlSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool isBlank(std::string_view s) {
    return trim(s).empty();
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Whitespace may appear anywhere; padding is optional but nothing may follow it.
bool decodeBase64(std::string_view text, PropertyList::Data& out) {
    uint32_t bits = 0;
    int nbits = 0;
    size_t symbols = 0, padding = 0;
    out.reserve(text.size() / 4 * 3);
    for (char c : text) {
        if (isXmlSpace(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int v = base64Value(c);
        if (v < 0 || padding) return false;
        ++symbols;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        nbits += 6;
        if (nbits >= 8) {
            nbits -= 8;
            out.push_back(static_cast<uint8_t>(bits >> nbits));
            bits &= (1u << nbits) - 1;
        }
    }
    if (symbols % 4 == 1) return false;
    return padding == 0 || (padding <= 2 && (symbols + padding) % 4 == 0);
}

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string encodeBase64(const PropertyList::Data& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const uint32_t v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) out += kBase64Alphabet[(v >> shift) & 63];
    }
    if (const size_t rest = data.size() - i) {
        uint32_t v = data[i] << 16;
        if (rest == 2) v |= data[i + 1] << 8;
        out += kBase64Alphabet[(v >> 18) & 63];
        out += kBase64Alphabet[(v >> 12) & 63];
        out += rest == 2 ? kBase64Alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Decimal or "0x" hexadecimal, with an optional sign, as a magnitude and its sign.
bool parseIntegerText(std::string_view text, bool& negative, uint64_t& magnitude) {
    text = trim(text);
    negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseInteger(std::string_view text, int64_t& out) {
    bool negative;
    uint64_t magnitude;
    if (!parseIntegerText(text, negative, magnitude)) return false;
    constexpr uint64_t kMax = uint64_t(std::numeric_limits<int64_t>::max());
    if (negative) {
        if (magnitude > kMax + 1) return false;
        out = static_cast<int64_t>(0 - magnitude);
    } else {
        if (magnitude > kMax) return false;
        out = static_cast<int64_t>(magnitude);
    }
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

bool parseReal(std::string_view text, double& out) {
    text = trim(text);
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (equalsIgnoringCase(body, "nan")) {
        out = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (equalsIgnoringCase(body, "inf") || equalsIgnoringCase(body, "infinity")) {
        out = negative ? -std::numeric_limits<double>::infinity()
                       : std::numeric_limits<double>::infinity();
        return true;
    }
    if (body.empty() || body.front() == '+' || body.front() == '-') return false;
    double v;
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), v);
    if (ec != std::errc() || end != body.data() + body.size()) return false;
    out = negative ? -v : v;
    return true;
}

// The text form keeps whole seconds only; a date is refused when its text would not read back
// as the same second (NaN, infinities, or beyond what the calendar arithmetic covers).
bool dateText(Date d, std::string& text) {
    const double t = d.timeIntervalSinceReferenceDate();
    if (!std::isfinite(t)) return false;
    text = d.iso8601();
    Date back;
    return Date::parseIso8601(text, back) &&
           std::fabs(back.timeIntervalSinceReferenceDate() - t) < 1.0;
}

// Only dates the writer could write again are accepted, so a file always survives a rewrite.
bool parseDate(std::string_view text, Date& out) {
    std::string check;
    return Date::parseIso8601(std::string(trim(text)), out) && dateText(out, check);
}

class Reader {
  public:
    Result<PropertyList> run(std::string_view bytes) {
        if (isBlank(bytes)) return corrupt("empty input");
        if (const size_t nul = bytes.find('\0'); nul != std::string_view::npos)
            return corrupt("NUL byte at offset " + std::to_string(nul));
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_utf8);
        if (!parsed)
            return corrupt(std::string(parsed.description()) + " at offset " +
                           std::to_string(parsed.offset));
        pugi::xml_node root;
        for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
            if (n.type() == pugi::node_pcdata && isBlank(n.value())) continue;
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
                return corrupt("text outside the root element" + where(n));
            if (n.type() != pugi::node_element) continue;
            if (root) return corrupt("more than one top-level element" + where(n));
            root = n;
        }
        if (!root) return corrupt("no root element");
        PropertyList value;
        if (std::strcmp(root.name(), "plist") == 0) {
            pugi::xml_node only;
            for (pugi::xml_node n = root.first_child(); n && error_.empty(); n = n.next_sibling()) {
                if (!checkStructural(n, "plist")) continue;
                if (only) return corrupt("more than one value in <plist>" + where(n));
                only = n;
            }
            if (!error_.empty()) return corrupt(error_);
            if (!only) return corrupt("<plist> holds no value" + where(root));
            root = only;
        }
        if (!readValue(root, 0, value)) return corrupt(error_);
        return value;
    }

  private:
    static Error corrupt(std::string detail) {
        return Error::corruptData("XML property list: " + detail, Error::kPropertyListReadCorrupt);
    }

    static std::string where(pugi::xml_node n) {
        const ptrdiff_t offset = n.offset_debug();
        return offset >= 0 ? " at offset " + std::to_string(offset) : std::string();
    }

    bool fail(std::string detail) {
        if (error_.empty()) error_ = std::move(detail);
        return false;
    }

    // Inside <plist>, <array> and <dict>: elements count, blank text is layout, anything else
    // is an error (recorded in error_).
    bool checkStructural(pugi::xml_node n, const char* parent) {
        if (n.type() == pugi::node_element) return true;
        if (n.type() == pugi::node_pcdata && isBlank(n.value())) return false;
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            fail(std::string("text inside <") + parent + ">" + where(n));
        return false;
    }

    // The text of a leaf element: character data with entities decoded, CDATA as is.
    bool readText(pugi::xml_node element, std::string& out) {
        out.clear();
        for (pugi::xml_node n = element.first_child(); n; n = n.next_sibling()) {
            if (n.type() == pugi::node_cdata) {
                out += n.value();
            } else if (n.type() == pugi::node_pcdata) {
                if (!decodeEntities(n.value(), out)) return fail("bad entity" + where(n));
            } else if (n.type() == pugi::node_element) {
                return fail(std::string("element <") + n.name() + "> inside <" + element.name() +
                            ">" + where(n));
            }
        }
        if (!Utf8::isValid(out)) return fail("text that is not UTF-8" + where(element));
        return true;
    }

    static bool decodeEntities(std::string_view s, std::string& out) {
        while (!s.empty()) {
            const size_t amp = s.find('&');
            out.append(s.substr(0, amp));
            if (amp == std::string_view::npos) return true;
            s.remove_prefix(amp + 1);
            const size_t semi = s.find(';');
            if (semi == std::string_view::npos) return false;
            const std::string_view name = s.substr(0, semi);
            s.remove_prefix(semi + 1);
            if (name == "amp") {
                out += '&';
            } else if (name == "lt") {
                out += '<';
            } else if (name == "gt") {
                out += '>';
            } else if (name == "quot") {
                out += '"';
            } else if (name == "apos") {
                out += '\'';
            } else if (name.size() > 1 && name[0] == '#') {
                const bool hex = name[1] == 'x';
                const std::string_view digits = name.substr(hex ? 2 : 1);
                uint32_t cp = 0;
                const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(),
                                                       cp, hex ? 16 : 10);
                if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
                    !Utf8::isScalarValue(cp))
                    return false;
                Utf8::append(out, cp);
            } else {
                return false;
            }
        }
        return true;
    }

    bool readValue(pugi::xml_node e, int depth, PropertyList& out) {
        const std::string_view name = e.name();
        if (name == "dict") return readDict(e, depth, out);
        if (name == "array") return readArray(e, depth, out);
        if (name == "true" || name == "false") {
            for (pugi::xml_node n = e.first_child(); n; n = n.next_sibling())
                if (n.type() != pugi::node_pcdata || !isBlank(n.value()))
                    return fail("content inside <" + std::string(name) + ">" + where(n));
            out = PropertyList(name == "true");
            return true;
        }
        std::string text;
        if (!readText(e, text)) return false;
        if (name == "string") {
            out = PropertyList(std::move(text));
        } else if (name == "integer") {
            int64_t v;
            if (!parseInteger(text, v)) return fail("bad integer \"" + text + "\"" + where(e));
            out = PropertyList(static_cast<long long>(v));
        } else if (name == "real") {
            double v;
            if (!parseReal(text, v)) return fail("bad real \"" + text + "\"" + where(e));
            out = PropertyList(v);
        } else if (name == "date") {
            Date d;
            if (!parseDate(text, d)) return fail("bad date \"" + text + "\"" + where(e));
            out = PropertyList(d);
        } else if (name == "data") {
            PropertyList::Data data;
            if (!decodeBase64(text, data)) return fail("bad base64 in <data>" + where(e));
            out = PropertyList(std::move(data));
        } else {
            return fail("unexpected element <" + std::string(name) + ">" + where(e));
        }
        return true;
    }

    bool readArray(pugi::xml_node e, int depth, PropertyList& out) {
        if (depth >= kMaxDepth) return fail("containers nested too deeply" + where(e));
        PropertyList::Array items;
        for (pugi::xml_node n = e.first_child(); n; n = n.next_sibling()) {
            if (!checkStructural(n, "array")) {
                if (!error_.empty()) return false;
                continue;
            }
            items.emplace_back();
            if (!readValue(n, depth + 1, items.back())) return false;
        }
        out = PropertyList(std::move(items));
        return true;
    }

    bool readDict(pugi::xml_node e, int depth, PropertyList& out) {
        // A uid is a plain value in the other format, so its dictionary may sit one level lower.
        const bool tooDeep = depth >= kMaxDepth;
        PropertyList::Dictionary dict;
        std::string key;
        bool haveKey = false;
        std::optional<uint64_t> uid;
        for (pugi::xml_node n = e.first_child(); n; n = n.next_sibling()) {
            if (!checkStructural(n, "dict")) {
                if (!error_.empty()) return false;
                continue;
            }
            const bool isKey = std::strcmp(n.name(), "key") == 0;
            if (isKey == haveKey)
                return fail((isKey ? "key without a value" : "value without a key") + where(n));
            haveKey = isKey;
            if (isKey) {
                if (!readText(n, key)) return false;
                continue;
            }
            PropertyList value;
            const bool uidValue = key == kUidKey && std::strcmp(n.name(), "integer") == 0;
            if (tooDeep && !uidValue) return fail("containers nested too deeply" + where(e));
            if (key == kUidKey) uid.reset();
            if (uidValue && readUid(n, uid)) {
                // Kept as an integer too, in case the dictionary turns out to hold more keys.
                if (*uid <= uint64_t(std::numeric_limits<int64_t>::max()))
                    value = PropertyList(static_cast<long long>(*uid));
            } else if (!readValue(n, depth + 1, value)) {
                return false;
            }
            dict.set(std::move(key), std::move(value));
        }
        if (haveKey) return fail("key without a value" + where(e));
        if (uid && dict.size() == 1) {
            out = PropertyList(Uid{*uid});
            return true;
        }
        if (tooDeep) return fail("containers nested too deeply" + where(e));
        if (const auto* v = dict.find(kUidKey); uid && v && v->isNull())
            return fail("bad integer for " + std::string(kUidKey) + where(e));
        out = PropertyList(std::move(dict));
        return true;
    }

    // A keyed-archive reference is written as a dictionary holding only "CF$UID"; references
    // are unsigned and may use the whole 64 bits.
    bool readUid(pugi::xml_node n, std::optional<uint64_t>& uid) {
        std::string text;
        bool negative;
        uint64_t magnitude;
        if (!readText(n, text)) return false;
        if (!parseIntegerText(text, negative, magnitude) || negative) return false;
        uid = magnitude;
        return true;
    }

    std::string error_;
};

class Writer {
  public:
    Result<std::string> run(const PropertyList& value) {
        out_ =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n";
        if (!write(value, 0)) {
            return Error::other(
                kWriteInvalid,
                "XML property list: " + error_ + " at " + (errorPath_.empty() ? "/" : errorPath_),
                Error::kPropertyListWriteInvalid);
        }
        out_ += "</plist>\n";
        return std::move(out_);
    }

  private:
    bool fail(std::string detail) {
        error_ = std::move(detail);
        return false;
    }

    // The key path of a failure is put together while unwinding, so success costs nothing.
    bool failIn(std::string segment) {
        errorPath_ = std::move(segment) + errorPath_;
        return false;
    }

    void indent(int depth) { out_.append(static_cast<size_t>(depth), '\t'); }

    // & < > as entities; carriage returns and other control characters as character references
    // so that they survive the parser's line-end handling.
    bool appendEscaped(const std::string& s) {
        if (!Utf8::isValid(s)) return fail("string that is not UTF-8");
        for (char c : s) {
            switch (c) {
                case '&':
                    out_ += "&amp;";
                    break;
                case '<':
                    out_ += "&lt;";
                    break;
                case '>':
                    out_ += "&gt;";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
                        out_ += "&#" + std::to_string(static_cast<int>(c)) + ";";
                    } else {
                        out_ += c;
                    }
            }
        }
        return true;
    }

    bool leaf(int depth, const char* tag, const std::string& text) {
        indent(depth);
        out_ += '<';
        out_ += tag;
        out_ += '>';
        if (!appendEscaped(text)) return false;
        out_ += "</";
        out_ += tag;
        out_ += ">\n";
        return true;
    }

    static std::string realText(double d) {
        if (std::isnan(d)) return "nan";
        if (std::isinf(d)) return d > 0 ? "+infinity" : "-infinity";
        char buf[32];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
        return std::string(buf, ec == std::errc() ? end : buf);
    }

    void data(int depth, const PropertyList::Data& bytes) {
        const std::string encoded = encodeBase64(bytes);
        // Lines get shorter as the indentation grows, as in the OS's files.
        const size_t perLine = depth < 6 ? 76 - 8 * static_cast<size_t>(depth) : 28;
        indent(depth);
        out_ += "<data>\n";
        for (size_t i = 0; i < encoded.size(); i += perLine) {
            indent(depth);
            out_.append(encoded, i, perLine);
            out_ += '\n';
        }
        indent(depth);
        out_ += "</data>\n";
    }

    bool write(const PropertyList& v, int depth) {
        switch (v.type()) {
            case PropertyList::Type::Null:
                return fail("null value");
            case PropertyList::Type::String:
                return leaf(depth, "string", *v.asString());
            case PropertyList::Type::Integer:
                return leaf(depth, "integer", std::to_string(*v.asInteger()));
            case PropertyList::Type::Real:
                return leaf(depth, "real", realText(*v.asReal()));
            case PropertyList::Type::Boolean:
                indent(depth);
                out_ += *v.asBoolean() ? "<true/>\n" : "<false/>\n";
                return true;
            case PropertyList::Type::Date: {
                std::string text;
                if (!dateText(*v.asDate(), text)) return fail("date that has no text form");
                return leaf(depth, "date", text);
            }
            case PropertyList::Type::Data:
                data(depth, *v.asData());
                return true;
            case PropertyList::Type::Uid:
                indent(depth);
                out_ += "<dict>\n";
                leaf(depth + 1, "key", kUidKey);
                leaf(depth + 1, "integer", std::to_string(v.asUid()->value));
                indent(depth);
                out_ += "</dict>\n";
                return true;
            case PropertyList::Type::Array:
            case PropertyList::Type::Dictionary:
                return container(v, depth);
        }
        return fail("unknown value type");
    }

    bool container(const PropertyList& v, int depth) {
        if (depth >= kMaxDepth) return fail("containers nested too deeply");
        const char* tag = v.isArray() ? "array" : "dict";
        indent(depth);
        if (v.isArray() ? v.asArray()->empty() : v.asDictionary()->empty()) {
            out_ += std::string("<") + tag + "/>\n";
            return true;
        }
        out_ += std::string("<") + tag + ">\n";
        if (const auto* array = v.asArray()) {
            for (size_t i = 0; i < array->size(); ++i)
                if (!write((*array)[i], depth + 1)) return failIn("[" + std::to_string(i) + "]");
        } else {
            for (const auto& [key, value] : *v.asDictionary())
                if (!leaf(depth + 1, "key", key) || !write(value, depth + 1))
                    return failIn("/" + key);
        }
        indent(depth);
        out_ += std::string("</") + tag + ">\n";
        return true;
    }

    std::string out_;
    std::string error_;
    std::string errorPath_;
};

}  // namespace

Result<PropertyList> XmlPropertyList::read(std::string_view bytes) {
    return Reader().run(bytes);
}

Result<std::string> XmlPropertyList::write(const PropertyList& value) {
    return Writer().run(value);
}

}  // namespace platform
