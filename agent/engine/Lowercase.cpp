#include "agent/engine/Lowercase.h"

#include <unicode/unistr.h>

std::string lowercased(const std::string& text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).toLower().toUTF8String(out);
    return out;
}
