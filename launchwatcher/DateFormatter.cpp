#include "launchwatcher/DateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <clocale>
#include <cstring>

namespace launchwatcher {

namespace {

// The user's locale for dates: LC_TIME as the C library set it up from the environment, which
// ICU's own default does not look at.
icu::Locale userLocale() {
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (!name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0)
        return icu::Locale::getDefault();
    icu::Locale locale = icu::Locale::createCanonical(name);
    return locale.isBogus() ? icu::Locale::getDefault() : locale;
}

}  // namespace

DateFormatter::DateFormatter(const std::string& locale, const std::string& timeZone) {
    const icu::Locale loc =
        locale.empty() ? userLocale() : icu::Locale::createCanonical(locale.c_str());
    format_.reset(icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium,
                                                          icu::DateFormat::kMedium, loc));
    if (format_ && !timeZone.empty())
        format_->adoptTimeZone(
            icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone)));
}

DateFormatter::~DateFormatter() = default;

std::string DateFormatter::stringFromDate(const platform::Date& date) const {
    if (!format_) return date.iso8601();
    icu::UnicodeString text;
    format_->format(static_cast<UDate>(date.timeIntervalSince1970() * 1000.0), text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace launchwatcher
