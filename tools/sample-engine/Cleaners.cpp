#include "tools/sample-engine/Cleaners.h"

#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

using icu::UnicodeString;

UnicodeString u(const std::string& s) {
    return UnicodeString::fromUTF8(s);
}

std::string utf8(const UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t nl = text.find('\n', start);
        lines.push_back(
            text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) out += '\n';
        out += lines[i];
    }
    return out;
}

bool isBlank(UChar32 c) {
    return u_isWhitespace(c) || c == 0xA0;
}

UnicodeString trimmed(const UnicodeString& s) {
    int32_t begin = 0, end = s.length();
    while (begin < end && isBlank(s.char32At(begin))) begin = s.moveIndex32(begin, 1);
    while (end > begin) {
        const int32_t prev = s.moveIndex32(end, -1);
        if (!isBlank(s.char32At(prev))) break;
        end = prev;
    }
    return UnicodeString(s, begin, end - begin);
}

std::string trim(const std::string& text) {
    return utf8(trimmed(u(text)));
}

// Trailing blanks of each line removed, runs of spaces collapsed, the whole text trimmed.
std::string scrub(const std::string& text) {
    std::vector<std::string> lines = splitLines(text);
    for (auto& line : lines) {
        UnicodeString in = u(line), out;
        bool lastSpace = false;
        for (int32_t i = 0; i < in.length(); i = in.moveIndex32(i, 1)) {
            const UChar32 c = in.char32At(i);
            const bool space = c == ' ' || c == '\t' || c == 0xA0;
            if (space && lastSpace) continue;
            out.append(space ? UChar32(' ') : c);
            lastSpace = space;
        }
        while (out.length() && out.charAt(out.length() - 1) == ' ') out.truncate(out.length() - 1);
        line = utf8(out);
    }
    return trim(joinLines(lines));
}

std::string upper(const std::string& t) {
    return utf8(u(t).toUpper(icu::Locale::getRoot()));
}
std::string lower(const std::string& t) {
    return utf8(u(t).toLower(icu::Locale::getRoot()));
}

std::string title(const std::string& t) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> words(
        icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
    UnicodeString s = u(t);
    if (U_FAILURE(status)) return utf8(s.toTitle(nullptr));
    return utf8(s.toTitle(words.get(), icu::Locale::getRoot()));
}

std::string straightQuotes(const std::string& t) {
    UnicodeString s = u(t);
    s.findAndReplace(UnicodeString(u"\u201C"), UnicodeString(u"\""));
    s.findAndReplace(UnicodeString(u"\u201D"), UnicodeString(u"\""));
    s.findAndReplace(UnicodeString(u"\u2018"), UnicodeString(u"'"));
    s.findAndReplace(UnicodeString(u"\u2019"), UnicodeString(u"'"));
    return utf8(s);
}

std::string removeBlankLines(const std::string& t) {
    std::vector<std::string> kept;
    for (const auto& line : splitLines(t))
        if (trimmed(u(line)).length() > 0) kept.push_back(line);
    return joinLines(kept);
}

std::string sortLines(const std::string& t) {
    std::vector<std::string> lines = splitLines(t);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) {
        std::sort(lines.begin(), lines.end());
    } else {
        std::stable_sort(lines.begin(), lines.end(),
                         [&](const std::string& a, const std::string& b) {
                             UErrorCode s = U_ZERO_ERROR;
                             return collator->compareUTF8(a, b, s) == UCOL_LESS;
                         });
    }
    return joinLines(lines);
}

std::string squash(const std::string& t) {
    UnicodeString in = u(t), out;
    for (int32_t i = 0; i < in.length(); i = in.moveIndex32(i, 1))
        if (!isBlank(in.char32At(i))) out.append(in.char32At(i));
    return utf8(out);
}

}  // namespace

std::optional<std::string> applyCleaner(const std::string& token, const std::string& text) {
    static const std::map<std::string, std::function<std::string(const std::string&)>> cleaners = {
        {"#SCRUB", scrub},
        {"#TRIM", trim},
        {"#UPPER", upper},
        {"#LOWER", lower},
        {"#TITLE", title},
        {"#STRAIGHTQUOTES", straightQuotes},
        {"#REMOVEBLANKLINES", removeBlankLines},
        {"#SORTLINES", sortLines},
        {"cc.shout", [](const std::string& t) { return upper(t) + "!"; }},
        {"cc.squash", squash},
    };
    auto it = cleaners.find(token);
    if (it == cleaners.end()) return std::nullopt;
    return it->second(text);
}
