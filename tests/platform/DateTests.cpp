#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

#include "platform/core/Date.h"
#include "tests/support/ScopedEnv.h"

using platform::Date;

namespace {

Date parsed(const std::string& text) {
    Date d;
    EXPECT_TRUE(Date::parseIso8601(text, d)) << text;
    return d;
}

// The calendar day of `iso` as seen in time zone `tz`.
int64_t dayIn(const char* tz, const std::string& iso) {
    int64_t day = 0;
    {
        testsupport::ScopedEnv zone("TZ", tz);
        tzset();
        day = parsed(iso).calendarDayOrdinal();
    }
    tzset();
    return day;
}

}  // namespace

TEST(Date, ReferenceDate) {
    EXPECT_EQ(Date().timeIntervalSince1970(), 978307200.0);
    EXPECT_EQ(Date::fromUnixTime(978307200).timeIntervalSinceReferenceDate(), 0.0);
    EXPECT_EQ(Date(60).addingTimeInterval(-61).iso8601(), "2000-12-31T23:59:59Z");
    EXPECT_NEAR(Date::now().timeIntervalSince1970(), static_cast<double>(std::time(nullptr)), 5);
}

TEST(Date, Iso8601RoundTrips) {
    const std::pair<const char*, double> cases[] = {
        {"2001-01-01T00:00:00Z", 0},
        {"2000-12-31T23:59:59Z", -1},
        {"1970-01-01T00:00:00Z", -978307200},
        {"1969-07-20T20:17:40Z", -14182940 - 978307200.0},
        {"1900-01-01T00:00:00Z", -2208988800 - 978307200.0},
        {"2000-02-29T12:00:00Z", -26481600},
        {"2038-01-19T03:14:08Z", 2147483648 - 978307200.0},
        {"0001-01-01T00:00:00Z", -62135596800 - 978307200.0},
        {"9999-12-31T23:59:59Z", 253402300799 - 978307200.0},
        {"-0044-03-15T12:00:00Z", -63549316800 - 978307200.0},
    };
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(parsed(text).timeIntervalSinceReferenceDate(), seconds) << text;
        EXPECT_EQ(Date(seconds).iso8601(), text);
    }
    // Whole seconds only, rounded down, also before the reference date.
    EXPECT_EQ(Date(0.75).iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_EQ(Date(-0.25).iso8601(), "2000-12-31T23:59:59Z");
}

TEST(Date, ParseRefusesOtherText) {
    for (const char* text :
         {"", "2001-01-01", "2001-01-01T00:00:00", "2001-01-01 00:00:00Z", " 2001-01-01T00:00:00Z",
          "+2001-01-01T00:00:00Z", "201-01-01T00:00:00Z", "2001-1-01T00:00:00Z",
          "2001-01-01T0:00:00Z", "2001-01-01T00:00:00.5Z", "2001-13-10T00:00:00Z",
          "2001-04-31T00:00:00Z", "2001-02-29T00:00:00Z", "1900-02-29T00:00:00Z",
          "2001-01-01T24:00:00Z", "2001-01-01T00:60:00Z", "1234567890-01-01T00:00:00Z"}) {
        Date out(42);
        EXPECT_FALSE(Date::parseIso8601(text, out)) << text;
        EXPECT_EQ(out, Date(42)) << text;  // untouched on failure
    }
    Date out;
    EXPECT_FALSE(Date::parseIso8601(std::string("2001-01-01T00:00:00Z\0", 21), out));
}

TEST(Date, ValuesPastTheCalendarStillFormat) {
    // A property list can hold any double; formatting must neither crash nor print garbage.
    const double inf = std::numeric_limits<double>::infinity();
    for (double seconds : {1e300, -1e300, inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
        const Date date(seconds);
        Date back;
        EXPECT_TRUE(Date::parseIso8601(date.iso8601(), back)) << date.iso8601();
        (void)date.calendarDayOrdinal();
    }
    EXPECT_EQ(Date(std::numeric_limits<double>::quiet_NaN()).iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_TRUE(Date(-1e300).iso8601().starts_with("-"));
}

TEST(Date, CalendarDayOrdinalFollowsTheLocalDay) {
    EXPECT_EQ(dayIn("UTC0", "0001-01-01T00:00:00Z"), 1);
    EXPECT_EQ(dayIn("UTC0", "1970-01-01T00:00:00Z"), 719163);
    EXPECT_EQ(dayIn("UTC0", "1969-12-31T23:59:59Z"), 719162);
    const int64_t day = dayIn("UTC0", "2026-03-10T00:00:00Z");
    EXPECT_EQ(dayIn("UTC0", "2026-03-10T23:59:59Z"), day);
    EXPECT_EQ(dayIn("UTC0", "2026-03-11T00:00:00Z"), day + 1);

    const int64_t utcDay = dayIn("UTC0", "2001-01-01T03:00:00Z");
    EXPECT_EQ(dayIn("EST5", "2001-01-01T03:00:00Z"), utcDay - 1);  // still the evening before
    EXPECT_EQ(dayIn("JST-9", "2001-01-01T03:00:00Z"), utcDay);
    EXPECT_EQ(dayIn("JST-9", "2001-01-01T15:00:00Z"), utcDay + 1);
    // 2021-03-28 had 23 hours in central Europe; both ends are the same day.
    const char* cet = "CET-1CEST,M3.5.0,M10.5.0/3";
    const int64_t cetDay = dayIn(cet, "2021-03-27T23:30:00Z");
    EXPECT_EQ(dayIn(cet, "2021-03-28T21:30:00Z"), cetDay);
    EXPECT_EQ(dayIn(cet, "2021-03-28T22:30:00Z"), cetDay + 1);
}
