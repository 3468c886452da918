#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include "platform/Date.h"

using platform::Date;

namespace {

// Sets TZ for the test and puts the old value back.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (old_) {
            setenv("TZ", old_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> old_;
};

Date parsed(const std::string& text) {
    Date d;
    EXPECT_TRUE(Date::parseIso8601(text, d)) << text;
    return d;
}

}  // namespace

TEST(Date, ReferenceDate) {
    EXPECT_EQ(Date().timeIntervalSince1970(), 978307200.0);
    EXPECT_EQ(Date::fromUnixTime(978307200).timeIntervalSinceReferenceDate(), 0.0);
    EXPECT_EQ(Date().iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_EQ(Date::fromUnixTime(0).iso8601(), "1970-01-01T00:00:00Z");
    EXPECT_EQ(Date(60).addingTimeInterval(-61).iso8601(), "2000-12-31T23:59:59Z");
    EXPECT_TRUE(Date(-1) < Date());
    const double now = Date::now().timeIntervalSince1970();
    EXPECT_NEAR(now, static_cast<double>(std::time(nullptr)), 5.0);
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
        SCOPED_TRACE(text);
        EXPECT_EQ(parsed(text).timeIntervalSinceReferenceDate(), seconds);
        EXPECT_EQ(Date(seconds).iso8601(), text);
    }
    // Whole seconds only, rounded down, also before the reference date.
    EXPECT_EQ(Date(0.75).iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_EQ(Date(-0.25).iso8601(), "2000-12-31T23:59:59Z");
}

TEST(Date, ParseRefusesOtherText) {
    for (const char* text : {
             "",
             "2001-01-01",
             "2001-01-01T00:00:00",
             "2001-01-01 00:00:00Z",
             " 2001-01-01T00:00:00Z",
             "+2001-01-01T00:00:00Z",
             "201-01-01T00:00:00Z",
             "2001-1-01T00:00:00Z",
             "2001-01-01T0:00:00Z",
             "2001-01-01T00:00:00.5Z",
             "2001-13-10T00:00:00Z",
             "2001-04-31T00:00:00Z",
             "2001-02-29T00:00:00Z",  // not a leap year
             "1900-02-29T00:00:00Z",  // nor this one
             "2001-01-01T24:00:00Z",
             "2001-01-01T00:60:00Z",
             "1234567890-01-01T00:00:00Z",
         }) {
        Date out(42);
        EXPECT_FALSE(Date::parseIso8601(text, out)) << text;
        EXPECT_EQ(out, Date(42)) << text;
    }
    Date out;
    EXPECT_FALSE(Date::parseIso8601(std::string("2001-01-01T00:00:00Z\0", 21), out));
}

TEST(Date, ValuesPastTheCalendarStillFormat) {
    // A property list can hold any double; formatting must neither crash nor print garbage.
    for (double seconds :
         {1e300, -1e300, std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        const Date date(seconds);
        Date back;
        EXPECT_TRUE(Date::parseIso8601(date.iso8601(), back)) << date.iso8601();
        (void)date.calendarDayOrdinal();
    }
    EXPECT_EQ(Date(std::numeric_limits<double>::quiet_NaN()).iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_TRUE(Date(-1e300).iso8601().starts_with("-"));
}

TEST(Date, CalendarDayOrdinalFollowsTheLocalDay) {
    {
        ScopedTimeZone utc("UTC0");
        EXPECT_EQ(parsed("0001-01-01T00:00:00Z").calendarDayOrdinal(), 1);
        EXPECT_EQ(Date::fromUnixTime(0).calendarDayOrdinal(), 719163);
        const int64_t day = parsed("2026-03-10T00:00:00Z").calendarDayOrdinal();
        EXPECT_EQ(parsed("2026-03-10T23:59:59Z").calendarDayOrdinal(), day);
        EXPECT_EQ(parsed("2026-03-11T00:00:00Z").calendarDayOrdinal(), day + 1);
        EXPECT_EQ(parsed("2026-03-09T23:59:59Z").calendarDayOrdinal(), day - 1);
        EXPECT_EQ(parsed("1969-12-31T23:59:59Z").calendarDayOrdinal(), 719162);
    }
    const Date earlyUtc = parsed("2001-01-01T03:00:00Z");
    int64_t utcDay;
    {
        ScopedTimeZone utc("UTC0");
        utcDay = earlyUtc.calendarDayOrdinal();
    }
    {
        ScopedTimeZone west("EST5");  // still the evening before
        EXPECT_EQ(earlyUtc.calendarDayOrdinal(), utcDay - 1);
    }
    {
        ScopedTimeZone east("JST-9");
        EXPECT_EQ(earlyUtc.calendarDayOrdinal(), utcDay);
        EXPECT_EQ(parsed("2001-01-01T15:00:00Z").calendarDayOrdinal(), utcDay + 1);
    }
    {
        // 2021-03-28 had 23 hours in central Europe; both ends are the same day.
        ScopedTimeZone cet("CET-1CEST,M3.5.0,M10.5.0/3");
        const int64_t day = parsed("2021-03-27T23:30:00Z").calendarDayOrdinal();
        EXPECT_EQ(parsed("2021-03-28T21:30:00Z").calendarDayOrdinal(), day);
        EXPECT_EQ(parsed("2021-03-28T22:30:00Z").calendarDayOrdinal(), day + 1);
    }
}
