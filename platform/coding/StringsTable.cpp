#include "platform/coding/StringsTable.h"

#include <cstdint>
#include <optional>

#include "platform/core/Utf8.h"
#include "platform/core/WholeFile.h"

namespace platform {

namespace {

// Line of byte offset `pos` in `text`, counting "\n", "\r\n" and a lone "\r" as one break.
int lineAt(std::string_view text, size_t pos) {
    int line = 1;
    for (size_t i = 0; i < pos && i < text.size(); ++i) {
        if (text[i] == '\n') ++line;
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) ++line;
    }
    return line;
}

Error errorAt(std::string_view text, size_t pos, const std::string& what) {
    return Error::corruptData("line " + std::to_string(lineAt(text, pos)) + ": " + what);
}

Result<std::string> validateUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = Utf8::sequenceLength(bytes, i);
        if (len == 0) return errorAt(bytes, i, "invalid UTF-8");
        i += len;
    }
    return std::string(bytes);
}

Result<std::string> decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    // The line of a failure counts the text decoded before it.
    if (bytes.size() % 2 != 0) return errorAt(out, 0, "truncated UTF-16");
    if (!Utf8::appendUtf16(out, bytes, bigEndian ? std::endian::big : std::endian::little))
        return errorAt(out, out.size(), "invalid UTF-16 (unpaired surrogate)");
    return out;
}

// The file's text as UTF-8, the byte-order mark dropped.
Result<std::string> decodeText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return validateUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return decodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return decodeUtf16(bytes.substr(2), true);
    // Without a mark, UTF-16 still shows itself by a NUL half in the first ASCII character.
    if (bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0')) {
        return decodeUtf16(bytes, bytes[0] == '\0');
    }
    return validateUtf8(bytes);
}

bool isUnquotedChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '$' || c == ':' || c == '/' || c == '-';
}

// The character a one-letter escape stands for; 0 for none.
char simpleEscape(char c) {
    constexpr std::string_view kLetters = "\"'\\ntrabfv";
    constexpr std::string_view kMeanings = "\"'\\\n\t\r\a\b\f\v";
    const size_t i = c ? kLetters.find(c) : std::string_view::npos;
    return i == std::string_view::npos ? 0 : kMeanings[i];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    Result<StringsTable> run() {
        StringsTable table;
        for (;;) {
            if (!skipTrivia()) return *error_;
            if (pos_ >= text_.size()) return table;
            std::string key;
            if (!readString(key, "a key")) return *error_;
            if (!skipTrivia()) return *error_;
            if (peek() == ';') {
                ++pos_;
                std::string value = key;
                table.set(std::move(key), std::move(value));
                continue;
            }
            if (peek() != '=') return fail(pos_, "missing '=' after key");
            ++pos_;
            if (!skipTrivia()) return *error_;
            std::string value;
            if (!readString(value, "a value")) return *error_;
            if (!skipTrivia()) return *error_;
            if (peek() != ';') return fail(pos_, "missing ';' after value");
            ++pos_;
            table.set(std::move(key), std::move(value));
        }
    }

  private:
    char peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    bool atEnd() const { return pos_ >= text_.size(); }

    Error fail(size_t at, const std::string& what) {
        error_ = errorAt(text_, at, what);
        return *error_;
    }

    // Whitespace and both kinds of comment.
    bool skipTrivia() {
        while (!atEnd()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && peek(1) == '*') {
                const size_t close = text_.find("*/", pos_ + 2);
                if (close == std::string_view::npos) {
                    fail(pos_, "unterminated comment");
                    return false;
                }
                pos_ = close + 2;
            } else if (c == '/' && peek(1) == '/') {
                while (!atEnd() && peek() != '\n' && peek() != '\r') ++pos_;
            } else {
                break;
            }
        }
        return true;
    }

    bool readString(std::string& out, const char* what) {
        if (atEnd()) {
            fail(pos_, std::string("missing ") + what);
            return false;
        }
        if (peek() == '"') return readQuoted(out);
        if (isUnquotedChar(peek())) {
            const size_t start = pos_;
            while (!atEnd() && isUnquotedChar(peek())) ++pos_;
            out.assign(text_.substr(start, pos_ - start));
            return true;
        }
        const size_t len = Utf8::sequenceLength(text_, pos_);
        fail(pos_, std::string("expected ") + what + ", found '" +
                       std::string(text_.substr(pos_, len ? len : 1)) + "'");
        return false;
    }

    bool readQuoted(std::string& out) {
        const size_t open = pos_++;
        for (;;) {
            if (atEnd()) {
                fail(open, "unterminated string");
                return false;
            }
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c != '\\') {
                // Plain text (already valid UTF-8): copy up to the next quote or backslash.
                const size_t stop = text_.find_first_of("\"\\", pos_);
                const size_t end = stop == std::string_view::npos ? text_.size() : stop;
                out.append(text_.substr(pos_, end - pos_));
                pos_ = end;
                continue;
            }
            if (!readEscape(out)) return false;
        }
    }

    std::optional<char32_t> readUnicodeEscape() {
        // At 'U' or 'u'; the OS takes one to four hex digits.
        ++pos_;
        char32_t value = 0;
        int digits = 0;
        while (digits < 4 && hexValue(peek()) >= 0) {
            value = value * 16 + static_cast<char32_t>(hexValue(peek()));
            ++pos_;
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        return value;
    }

    bool readEscape(std::string& out) {
        const size_t at = pos_++;  // the backslash
        if (atEnd()) {
            fail(at, "unterminated string");
            return false;
        }
        const char c = peek();
        if (const char simple = simpleEscape(c)) {
            out += simple;
            ++pos_;
            return true;
        }
        if (c != 'U' && c != 'u') {
            const size_t len = Utf8::sequenceLength(text_, pos_);
            fail(at, "invalid escape \\" + std::string(text_.substr(pos_, len ? len : 1)));
            return false;
        }
        auto unit = readUnicodeEscape();
        if (!unit) {
            fail(at, "invalid escape \\" + std::string(1, c) + " without hex digits");
            return false;
        }
        char32_t code = *unit;
        if (Utf8::isHighSurrogate(code)) {
            // The other half of the pair must follow as an escape of its own.
            std::optional<char32_t> low;
            if (peek() == '\\' && (peek(1) == 'U' || peek(1) == 'u')) {
                ++pos_;
                low = readUnicodeEscape();
            }
            if (!low || !Utf8::isLowSurrogate(*low)) {
                fail(at, "unpaired surrogate in escape");
                return false;
            }
            code = Utf8::combineSurrogates(code, *low);
        } else if (Utf8::isLowSurrogate(code)) {
            fail(at, "unpaired surrogate in escape");
            return false;
        }
        Utf8::append(out, code);
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    std::optional<Error> error_;
};

}  // namespace

Result<StringsTable> StringsTable::parse(std::string_view bytes) {
    auto text = decodeText(bytes);
    if (!text) return text.error();
    return Parser(*text).run();
}

Result<StringsTable> StringsTable::readFile(const std::filesystem::path& path) {
    auto bytes = WholeFile::contents(path);
    if (!bytes) return bytes.error();
    return parse(*bytes);
}

const std::string* StringsTable::find(std::string_view key) const {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

std::vector<std::string> StringsTable::keys() const {
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const auto& [key, value] : entries_) out.push_back(key);
    return out;
}

void StringsTable::set(std::string key, std::string value) {
    const auto it = index_.find(key);
    if (it != index_.end()) {
        entries_[it->second].second = std::move(value);
        return;
    }
    index_.emplace(key, entries_.size());
    entries_.emplace_back(std::move(key), std::move(value));
}

}  // namespace platform
