#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A point in time as the OS keeps it: seconds since the reference date 2001-01-01 00:00:00 UTC.
class Date {
  public:
    // Seconds between the Unix epoch and the reference date.
    static constexpr double kReferenceToUnix = 978307200.0;

    constexpr Date() = default;
    constexpr explicit Date(double secondsSinceReferenceDate)
        : seconds_(secondsSinceReferenceDate) {}

    static Date now();
    static Date fromUnixTime(double unixSeconds) { return Date(unixSeconds - kReferenceToUnix); }

    double timeIntervalSinceReferenceDate() const { return seconds_; }
    double timeIntervalSince1970() const { return seconds_ + kReferenceToUnix; }
    Date addingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }

    // Ordinal of the calendar day in the local time zone (days since 0001-01-01, that day being
    // 1), so two dates on the same local day compare equal whatever their times.
    int64_t calendarDayOrdinal() const;

    // ISO 8601 in UTC with a "Z", whole seconds ("2001-01-01T00:00:00Z"), as property lists store.
    std::string iso8601() const;
    // Parses the XML property list form; false when the text is not such a date.
    static bool parseIso8601(const std::string& text, Date& out);

    friend bool operator==(const Date& a, const Date& b) { return a.seconds_ == b.seconds_; }
    friend bool operator<(const Date& a, const Date& b) { return a.seconds_ < b.seconds_; }

  private:
    double seconds_ = 0;
};

}  // namespace platform
