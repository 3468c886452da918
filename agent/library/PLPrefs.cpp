#include "agent/library/PLPrefs.h"

#include <cmath>
#include <utility>

#include "platform/core/Log.h"

using platform::PropertyList;

PLPrefs::PLPrefs(platform::UserDefaults& defaults, const platform::FontLookup& fonts)
    : defaults_(defaults), fonts_(fonts) {}

bool PLPrefs::hasValue(const std::string& key) const {
    return defaults_.objectForKey(key).has_value();
}

std::optional<PropertyList> PLPrefs::object(const std::string& key) const {
    return defaults_.objectForKey(key);
}

std::optional<std::string> PLPrefs::string(const std::string& key) const {
    const auto value = defaults_.objectForKey(key);
    if (!value || !value->isString()) return std::nullopt;
    return *value->asString();
}

std::optional<int64_t> PLPrefs::integer(const std::string& key) const {
    const auto value = defaults_.objectForKey(key);
    if (!value) return std::nullopt;
    if (value->isInteger()) return value->asInteger();
    if (value->isReal()) {
        // A stored number is an integer when it has no fraction and fits.
        const double r = *value->asReal();
        if (std::isfinite(r) && r == std::trunc(r) && r >= -9223372036854775808.0 &&
            r < 9223372036854775808.0)
            return static_cast<int64_t>(r);
    }
    return std::nullopt;
}

std::optional<float> PLPrefs::floatValue(const std::string& key) const {
    const auto value = doubleValue(key);
    if (!value) return std::nullopt;
    return static_cast<float>(*value);
}

std::optional<double> PLPrefs::doubleValue(const std::string& key) const {
    const auto value = defaults_.objectForKey(key);
    if (!value || !value->isNumber()) return std::nullopt;
    return value->asReal();
}

std::optional<platform::Url> PLPrefs::url(const std::string& key) const {
    return defaults_.URLForKey(key);
}

std::optional<PropertyList::Array> PLPrefs::array(const std::string& key) const {
    return defaults_.arrayForKey(key);
}

std::optional<std::vector<std::string>> PLPrefs::stringArray(const std::string& key) const {
    return defaults_.stringArrayForKey(key);
}

std::optional<PropertyList::Dictionary> PLPrefs::dictionary(const std::string& key) const {
    return defaults_.dictionaryForKey(key);
}

std::optional<PropertyList::Data> PLPrefs::data(const std::string& key) const {
    return defaults_.dataForKey(key);
}

void PLPrefs::set(const std::string& key, std::optional<PropertyList> value) {
    defaults_.setObject(key, std::move(value));
}

void PLPrefs::remove(const std::string& key) {
    defaults_.removeObjectForKey(key);
}

void PLPrefs::setFont(const std::string& key, const platform::Font& font) {
    defaults_.setObject(key, PropertyList(PropertyList::Dictionary{
                                 {PLFontInfo::kFontNameAttribute, font.name},
                                 {PLFontInfo::kFontSizeAttribute, font.pointSize},
                             }));
}

std::optional<PLFontInfo> PLPrefs::font(const std::string& key) const {
    const PropertyList::Dictionary stored =
        defaults_.dictionaryForKey(key).value_or(PropertyList::Dictionary{});
    const PropertyList* name = stored.find(PLFontInfo::kFontNameAttribute);
    const PropertyList* size = stored.find(PLFontInfo::kFontSizeAttribute);
    if (name && name->isString() && size && size->isNumber()) {
        if (auto font = fonts_.fontWithName(*name->asString(), *size->asReal())) {
            PLFontInfo info;
            info.font = std::move(*font);
            return info;
        }
    }
    platform::print("key = " + key + ", font = nil");
    return std::nullopt;
}
