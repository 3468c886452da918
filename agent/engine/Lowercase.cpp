#include "agent/engine/Lowercase.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

std::string lowercased(const std::string& text) {
    std::string out;
    // The root locale: matching must not depend on the user's language (Turkish "I").
    icu::UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}
