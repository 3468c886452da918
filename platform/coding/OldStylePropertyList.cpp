#include "platform/coding/OldStylePropertyList.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "platform/core/Utf8.h"

namespace platform {

namespace {

// Nesting deeper than this is refused rather than risking the stack.
constexpr int kMaxDepth = 512;

bool isBareChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

// A bare "//" or "/*" would read back as a comment.
bool startsComment(std::string_view s, size_t i) {
    return s[i] == '/' && i + 1 < s.size() && (s[i + 1] == '/' || s[i + 1] == '*');
}

bool needsQuotes(std::string_view s) {
    if (s.empty()) return true;
    for (size_t i = 0; i < s.size(); ++i)
        if (!isBareChar(s[i]) || startsComment(s, i)) return true;
    return false;
}

void appendString(std::string& out, std::string_view s) {
    if (!needsQuotes(s)) {
        out += s;
        return;
    }
    out += '"';
    for (const char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\U%04x", static_cast<unsigned>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void indent(std::string& out, int level) {
    out.append(static_cast<size_t>(level) * 4, ' ');
}

void describe(std::string& out, const PropertyList& v, int level);

void describeDictionary(std::string& out, const PropertyList::Dictionary& dict, int level) {
    std::vector<const PropertyList::Dictionary::Entry*> entries;
    entries.reserve(dict.size());
    for (const auto& entry : dict) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(),
              [](const auto* a, const auto* b) { return a->first < b->first; });
    indent(out, level);
    out += "{\n";
    for (const auto* entry : entries) {
        indent(out, level + 1);
        appendString(out, entry->first);
        out += " = ";
        describe(out, entry->second, level + 1);
        out += ";\n";
    }
    indent(out, level);
    out += '}';
}

// Containers start with their own level's indentation even after "key = ", which gives the
// OS's familiar "key =     {" lines.
void describe(std::string& out, const PropertyList& v, int level) {
    switch (v.type()) {
        case PropertyList::Type::Null:
            out += "\"<null>\"";
            break;
        case PropertyList::Type::String:
            appendString(out, *v.asString());
            break;
        case PropertyList::Type::Integer:
            out += std::to_string(*v.asInteger());
            break;
        case PropertyList::Type::Real: {
            char buf[64];
            const auto res = std::to_chars(buf, buf + sizeof buf, *v.asReal());
            out.append(buf, res.ptr);
            break;
        }
        case PropertyList::Type::Boolean:
            out += *v.asBoolean() ? '1' : '0';
            break;
        case PropertyList::Type::Date: {
            std::string iso = v.asDate()->iso8601();  // 2026-12-06T18:16:44Z
            iso[10] = ' ';
            iso.pop_back();
            out += '"' + iso + " +0000\"";
            break;
        }
        case PropertyList::Type::Data: {
            static constexpr char kHex[] = "0123456789abcdef";
            const auto& data = *v.asData();
            out += '<';
            for (size_t i = 0; i < data.size(); ++i) {
                if (i > 0 && i % 4 == 0) out += ' ';
                out += kHex[data[i] >> 4];
                out += kHex[data[i] & 0xf];
            }
            out += '>';
            break;
        }
        case PropertyList::Type::Array: {
            const auto& array = *v.asArray();
            indent(out, level);
            out += "(\n";
            for (size_t i = 0; i < array.size(); ++i) {
                indent(out, level + 1);
                describe(out, array[i], level + 1);
                out += i + 1 < array.size() ? ",\n" : "\n";
            }
            indent(out, level);
            out += ')';
            break;
        }
        case PropertyList::Type::Dictionary:
            describeDictionary(out, *v.asDictionary(), level);
            break;
        case PropertyList::Type::Uid:
            describeDictionary(
                out, {{"CF$UID", PropertyList(static_cast<long long>(v.asUid()->value))}}, level);
            break;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    Result<PropertyList> parseDocument() {
        PropertyList value;
        if (!parseValue(value, 0)) return error_;
        if (!skipSpace()) return error_;
        if (pos_ < s_.size()) {
            fail("unexpected text after the value");
            return error_;
        }
        return value;
    }

  private:
    bool fail(const std::string& message) { return failAt(pos_, message); }

    bool failAt(size_t at, const std::string& message) {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < at && i < s_.size(); ++i) {
            if (s_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        error_ = Error::corruptData(
            "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + message,
            Error::kPropertyListReadCorrupt);
        return false;
    }

    static std::string describeChar(char c) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "byte 0x%02x", static_cast<unsigned char>(c));
            return buf;
        }
        return std::string("'") + c + "'";
    }

    // Skips blanks and comments; false only for an unterminated comment.
    bool skipSpace() {
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '*') {
                const size_t end = s_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) return fail("unterminated comment");
                pos_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool expect(char c, const char* what) {
        if (!skipSpace()) return false;
        if (pos_ >= s_.size()) return fail(std::string("expected ") + what + ", found the end");
        if (s_[pos_] != c)
            return fail(std::string("expected ") + what + ", found " + describeChar(s_[pos_]));
        ++pos_;
        return true;
    }

    bool parseValue(PropertyList& out, int depth) {
        if (!skipSpace()) return false;
        if (pos_ >= s_.size()) return fail("expected a value, found the end");
        if (depth > kMaxDepth) return fail("nested too deeply");
        const char c = s_[pos_];
        if (c == '{') return parseDictionary(out, depth);
        if (c == '(') return parseArray(out, depth);
        if (c == '<') return parseData(out);
        if (c == '"' || c == '\'' || isBareChar(c)) {
            std::string text;
            if (!parseString(text)) return false;
            out = PropertyList(std::move(text));
            return true;
        }
        return fail("expected a value, found " + describeChar(c));
    }

    bool parseDictionary(PropertyList& out, int depth) {
        ++pos_;  // {
        PropertyList::Dictionary dict;
        for (;;) {
            if (!skipSpace()) return false;
            if (pos_ >= s_.size()) return fail("expected a key or '}', found the end");
            if (s_[pos_] == '}') break;
            const char c = s_[pos_];
            if (c != '"' && c != '\'' && !isBareChar(c))
                return fail("expected a key or '}', found " + describeChar(c));
            std::string key;
            if (!parseString(key)) return false;
            if (!expect('=', "'='")) return false;
            PropertyList value;
            if (!parseValue(value, depth + 1)) return false;
            if (!expect(';', "';'")) return false;
            dict.set(std::move(key), std::move(value));
        }
        ++pos_;  // }
        out = PropertyList(std::move(dict));
        return true;
    }

    bool parseArray(PropertyList& out, int depth) {
        ++pos_;  // (
        PropertyList::Array array;
        for (;;) {
            if (!skipSpace()) return false;
            if (pos_ < s_.size() && s_[pos_] == ')') break;
            PropertyList value;
            if (!parseValue(value, depth + 1)) return false;
            array.push_back(std::move(value));
            if (!skipSpace()) return false;
            if (pos_ >= s_.size()) return fail("expected ',' or ')', found the end");
            if (s_[pos_] == ',') {
                ++pos_;  // a trailing comma before ')' is fine
            } else if (s_[pos_] != ')') {
                return fail("expected ',' or ')', found " + describeChar(s_[pos_]));
            }
        }
        ++pos_;  // )
        out = PropertyList(std::move(array));
        return true;
    }

    bool parseData(PropertyList& out) {
        const size_t start = pos_++;
        PropertyList::Data data;
        int high = -1;
        for (; pos_ < s_.size() && s_[pos_] != '>'; ++pos_) {
            const char c = s_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
            const int v = hexValue(c);
            if (v < 0) return fail("expected a hexadecimal digit, found " + describeChar(c));
            if (high < 0) {
                high = v;
            } else {
                data.push_back(static_cast<uint8_t>(high << 4 | v));
                high = -1;
            }
        }
        if (pos_ >= s_.size()) return failAt(start, "data without its closing '>'");
        if (high >= 0) return fail("data with an odd number of hexadecimal digits");
        ++pos_;  // >
        out = PropertyList(std::move(data));
        return true;
    }

    bool parseString(std::string& out) {
        const char quote = s_[pos_];
        if (quote != '"' && quote != '\'') {
            const size_t start = pos_;
            while (pos_ < s_.size() && isBareChar(s_[pos_]) && !startsComment(s_, pos_)) ++pos_;
            out.assign(s_.substr(start, pos_ - start));
            return true;
        }
        const size_t start = pos_++;
        while (pos_ < s_.size() && s_[pos_] != quote) {
            if (s_[pos_] != '\\') {
                out += s_[pos_++];
                continue;
            }
            if (!parseEscape(out)) return false;
        }
        if (pos_ >= s_.size()) return failAt(start, "string without its closing quote");
        ++pos_;
        return true;
    }

    bool parseEscape(std::string& out) {
        const size_t at = pos_++;  // backslash
        if (pos_ >= s_.size()) return failAt(at, "string without its closing quote");
        const char c = s_[pos_++];
        switch (c) {
            case 'a':
                out += '\a';
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'v':
                out += '\v';
                return true;
            case '"':
            case '\'':
            case '\\':
            case '/':
            case '\n':
                out += c;
                return true;
            case 'U':
                return parseUnicodeEscape(out, at);
            default:
                break;
        }
        if (c >= '0' && c <= '7') {
            int value = c - '0';
            for (int i = 0; i < 2 && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '7'; ++i)
                value = value * 8 + (s_[pos_++] - '0');
            // Higher values stand for characters of an old encoding we don't carry.
            if (value > 0x7f) return failAt(at, "octal escape above \\177");
            out += static_cast<char>(value);
            return true;
        }
        return failAt(at, "unknown escape \\" + std::string(1, c));
    }

    // \U followed by one to four hexadecimal digits: a UTF-16 unit; surrogate pairs are two.
    bool readUnit(uint32_t& unit) {
        int digits = 0;
        unit = 0;
        while (digits < 4 && pos_ < s_.size() && hexValue(s_[pos_]) >= 0) {
            unit = unit * 16 + static_cast<uint32_t>(hexValue(s_[pos_++]));
            ++digits;
        }
        return digits > 0;
    }

    bool parseUnicodeEscape(std::string& out, size_t at) {
        uint32_t unit;
        if (!readUnit(unit)) return failAt(at, "\\U without hexadecimal digits");
        if (Utf8::isLowSurrogate(unit)) return failAt(at, "lone low surrogate");
        if (Utf8::isHighSurrogate(unit)) {
            uint32_t low;
            if (s_.substr(pos_, 2) != "\\U" || (pos_ += 2, !readUnit(low)) ||
                !Utf8::isLowSurrogate(low))
                return failAt(at, "high surrogate without its low half");
            unit = Utf8::combineSurrogates(unit, low);
        }
        Utf8::append(out, unit);
        return true;
    }

    std::string_view s_;
    size_t pos_ = 0;
    Error error_;
};

}  // namespace

std::string OldStylePropertyList::write(const PropertyList& value) {
    std::string out;
    describe(out, value, 0);
    return out;
}

Result<PropertyList> OldStylePropertyList::read(std::string_view text) {
    return Parser(text).parseDocument();
}

}  // namespace platform
