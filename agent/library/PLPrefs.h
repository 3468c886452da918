#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "agent/library/PLFontInfo.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Url.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/FontLookup.h"

// Typed access to one defaults object (the standard one or the shared suite). Every getter
// gives nothing when the key is absent or holds a value of another type: no coercion, unlike
// the defaults object's own getters.
class PLPrefs {
  public:
    PLPrefs(platform::UserDefaults& defaults, const platform::FontLookup& fonts);

    platform::UserDefaults& defaults() { return defaults_; }

    bool hasValue(const std::string& key) const;
    std::optional<platform::PropertyList> object(const std::string& key) const;
    std::optional<std::string> string(const std::string& key) const;
    // Integers, and reals with an integral value.
    std::optional<int64_t> integer(const std::string& key) const;
    std::optional<float> floatValue(const std::string& key) const;
    std::optional<double> doubleValue(const std::string& key) const;
    std::optional<platform::Url> url(const std::string& key) const;
    std::optional<platform::PropertyList::Array> array(const std::string& key) const;
    std::optional<std::vector<std::string>> stringArray(const std::string& key) const;
    std::optional<platform::PropertyList::Dictionary> dictionary(const std::string& key) const;
    std::optional<platform::PropertyList::Data> data(const std::string& key) const;

    // An absent value removes the key.
    void set(const std::string& key, std::optional<platform::PropertyList> value);
    void remove(const std::string& key);

    // Stored as {NSFontNameAttribute: name, NSFontSizeAttribute: point size}.
    void setFont(const std::string& key, const platform::Font& font);
    // Nothing, with "key = <key>, font = nil" printed, when the dictionary is missing, malformed
    // or names a font that is no longer installed.
    std::optional<PLFontInfo> font(const std::string& key) const;

  private:
    platform::UserDefaults& defaults_;
    const platform::FontLookup& fonts_;
};
