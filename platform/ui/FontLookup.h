#pragma once

#include <optional>
#include <string>

namespace platform {

// A font as the agent stores it: the font's name and its point size.
struct Font {
    std::string name;
    double pointSize = 0;

    friend bool operator==(const Font& a, const Font& b) {
        return a.name == b.name && a.pointSize == b.pointSize;
    }
};

// The fonts installed on the system.
class FontLookup {
  public:
    // The size the OS gives a font asked for with a size of 0 or less.
    static constexpr double kDefaultPointSize = 12.0;

    virtual ~FontLookup() = default;

    // True when a font of that exact name (family, full or PostScript name) is installed.
    virtual bool hasFont(const std::string& name) const = 0;

    // The font of that name at `size`, or nothing when no such font is installed.
    std::optional<Font> fontWithName(const std::string& name, double size) const {
        if (!hasFont(name)) return std::nullopt;
        return Font{name, size > 0 ? size : kDefaultPointSize};
    }
};

}  // namespace platform
