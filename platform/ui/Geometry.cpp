#include "platform/ui/Geometry.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace platform {

namespace {

std::string number(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

// Skips to the next character that may start a number and reads one; 0 when there is none.
double readNumber(const std::string& text, size_t& at) {
    while (at < text.size() && text[at] != '-' && text[at] != '+' && text[at] != '.' &&
           (text[at] < '0' || text[at] > '9'))
        ++at;
    if (at >= text.size()) return 0;
    const char* begin = text.data() + at;
    if (*begin == '+') ++begin;
    double value = 0;
    auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) {
        at = text.size();
        return 0;
    }
    at = static_cast<size_t>(end - text.data());
    return value;
}

}  // namespace

std::string stringFromSize(Size size) {
    return "{" + number(size.width) + ", " + number(size.height) + "}";
}

Size sizeFromString(const std::string& text) {
    size_t at = 0;
    Size size;
    size.width = readNumber(text, at);
    size.height = readNumber(text, at);
    return size;
}

}  // namespace platform
