#pragma once

#include <memory>
#include <string>

#include <unicode/uversion.h>

#include "platform/core/Date.h"

U_NAMESPACE_BEGIN
class DateFormat;
U_NAMESPACE_END

namespace launchwatcher {

// Dates as the user reads them: medium date style and medium time style in the user's locale
// and time zone ("Dec 7, 2026, 5:19:35 AM" in American English).
class DateFormatter {
  public:
    // Empty names mean the user's own locale and time zone.
    explicit DateFormatter(const std::string& locale = {}, const std::string& timeZone = {});
    ~DateFormatter();
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    std::string stringFromDate(const platform::Date& date) const;

  private:
    std::unique_ptr<icu::DateFormat> format_;
};

}  // namespace launchwatcher
