#include "platform/core/Date.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace platform {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
}

// 0001-01-01 is day 1.
constexpr int64_t kUnixEpochOrdinal = 719163;

// Dates are doubles and may hold anything (a property list can say 1e300 or NaN); the calendar
// arithmetic works on whole seconds, so such values are brought into about ±31 million years
// first. NaN is the reference date.
constexpr double kMaxUnixSeconds = 1e15;
constexpr size_t kMaxYearDigits = 9;

double clampedUnixSeconds(double unix) {
    if (std::isnan(unix)) return Date::kReferenceToUnix;
    return std::clamp(unix, -kMaxUnixSeconds, kMaxUnixSeconds);
}

int64_t daysInMonth(int64_t y, unsigned m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

Date Date::now() {
    using namespace std::chrono;
    const double unix = duration<double>(system_clock::now().time_since_epoch()).count();
    return fromUnixTime(unix);
}

int64_t Date::calendarDayOrdinal() const {
    const double unix = std::floor(clampedUnixSeconds(timeIntervalSince1970()));
    std::time_t t = static_cast<std::time_t>(unix);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) {
        // Out of the C library's reach: count the day in UTC.
        const auto secs = static_cast<int64_t>(unix);
        return (secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400)) + kUnixEpochOrdinal;
    }
    return daysFromCivil(local.tm_year + int64_t{1900}, static_cast<unsigned>(local.tm_mon + 1),
                         static_cast<unsigned>(local.tm_mday)) +
           kUnixEpochOrdinal;
}

std::string Date::iso8601() const {
    const double unix = std::floor(clampedUnixSeconds(timeIntervalSince1970()) + 0.5e-9);
    int64_t secs = static_cast<int64_t>(unix);
    int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    int64_t rem = secs - days * 86400;
    int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    char buf[64];
    // Years before 1 BC get a sign and still four digits, as ISO 8601 writes expanded years.
    std::snprintf(buf, sizeof buf, "%s%04lld-%02u-%02uT%02d:%02d:%02dZ", y < 0 ? "-" : "",
                  static_cast<long long>(y < 0 ? -y : y), m, d, static_cast<int>(rem / 3600),
                  static_cast<int>(rem / 60 % 60), static_cast<int>(rem % 60));
    return buf;
}

bool Date::parseIso8601(const std::string& text, Date& out) {
    // [-]YYYY-MM-DDTHH:MM:SSZ, the year with four or more digits, everything else exact.
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    auto digits = [&text, &i](size_t count, int64_t& value) {
        value = 0;
        for (size_t k = 0; k < count; ++k, ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    auto literal = [&text, &i](char c) { return i < text.size() && text[i++] == c; };
    const size_t yearStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    const size_t yearDigits = i - yearStart;
    if (yearDigits < 4 || yearDigits > kMaxYearDigits) return false;
    i = yearStart;
    int64_t y, mo, d, h, mi, s;
    if (!digits(yearDigits, y) || !literal('-') || !digits(2, mo) || !literal('-') ||
        !digits(2, d) || !literal('T') || !digits(2, h) || !literal(':') || !digits(2, mi) ||
        !literal(':') || !digits(2, s) || !literal('Z') || i != text.size())
        return false;
    if (negative) y = -y;
    if (mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, static_cast<unsigned>(mo)) || h > 23 ||
        mi > 59 || s > 60)
        return false;
    const int64_t days = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    out = fromUnixTime(static_cast<double>(days * 86400 + h * 3600 + mi * 60 + s));
    return true;
}

}  // namespace platform
