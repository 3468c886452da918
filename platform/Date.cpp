#include "platform/Date.h"

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

}  // namespace

Date Date::now() {
    using namespace std::chrono;
    const double unix =
        duration<double>(system_clock::now().time_since_epoch()).count();
    return fromUnixTime(unix);
}

int64_t Date::calendarDayOrdinal() const {
    const double unix = std::floor(timeIntervalSince1970());
    std::time_t t = static_cast<std::time_t>(unix);
    std::tm local{};
    localtime_r(&t, &local);
    return daysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                         static_cast<unsigned>(local.tm_mday)) +
           kUnixEpochOrdinal;
}

std::string Date::iso8601() const {
    const double unix = std::floor(timeIntervalSince1970() + 0.5e-9);
    int64_t secs = static_cast<int64_t>(unix);
    int64_t days = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);
    int64_t rem = secs - days * 86400;
    int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(y),
                  m, d, static_cast<int>(rem / 3600), static_cast<int>(rem / 60 % 60),
                  static_cast<int>(rem % 60));
    return buf;
}

bool Date::parseIso8601(const std::string& text, Date& out) {
    int y, mo, d, h = 0, mi = 0, s = 0;
    char z = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &y, &mo, &d, &h, &mi, &s, &z,
                    &consumed) != 7 ||
        z != 'Z' || static_cast<size_t>(consumed) != text.size())
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 || h < 0 || mi < 0 ||
        s < 0)
        return false;
    const int64_t days = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    out = fromUnixTime(static_cast<double>(days * 86400 + h * 3600 + mi * 60 + s));
    return true;
}

}  // namespace platform
