#include "platform/services/ServiceEntry.h"

#include <cmath>
#include <cstdlib>

#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

std::optional<std::string> nonEmptyString(const PropertyList* value) {
    if (!value || !value->asString() || value->asString()->empty()) return std::nullopt;
    return *value->asString();
}

// Strings that are valid type names, normalised; false when the value is not such an array.
bool readTypes(const PropertyList* value, std::vector<std::string>& out) {
    if (!value) return true;
    const PropertyList::Array* list = value->asArray();
    if (!list) return false;
    for (const PropertyList& item : *list) {
        const std::string* type = item.asString();
        if (!type || !PasteboardTypes::isValid(*type)) return false;
        out.push_back(*type);
    }
    out = PasteboardTypes::normalize(out);
    return true;
}

// Milliseconds as a string (what the OS writes) or a number; nothing when absent or unusable.
std::optional<double> readTimeout(const PropertyList* value) {
    if (!value) return std::nullopt;
    std::optional<double> ms = value->asReal();
    if (const std::string* text = value->asString()) {
        char* end = nullptr;
        const double parsed = std::strtod(text->c_str(), &end);
        if (!text->empty() && *end == '\0') ms = parsed;
    }
    if (!ms || !std::isfinite(*ms) || *ms <= 0) return std::nullopt;
    return *ms / 1000;
}

}  // namespace

std::vector<ServiceEntry> ServiceEntry::listFrom(const PropertyList& services,
                                                 std::vector<std::string>* problems) {
    std::vector<ServiceEntry> entries;
    auto problem = [&](size_t index, const std::string& what) {
        if (problems) problems->push_back("entry " + std::to_string(index) + ": " + what);
    };
    const PropertyList::Array* list = services.asArray();
    if (!list) {
        if (problems && !services.isNull()) problems->push_back("NSServices is not an array");
        return entries;
    }
    for (size_t i = 0; i < list->size(); ++i) {
        const PropertyList& raw = (*list)[i];
        if (!raw.isDictionary()) {
            problem(i, "not a dictionary");
            continue;
        }
        ServiceEntry entry;
        const PropertyList* menuItem = raw.get(kMenuItemKey);
        auto title = nonEmptyString(menuItem ? menuItem->get(kMenuItemDefaultKey) : nullptr);
        auto message = nonEmptyString(raw.get(kMessageKey));
        auto port = nonEmptyString(raw.get(kPortNameKey));
        if (!title || !message || !port) {
            problem(i, "needs NSMenuItem.default, NSMessage and NSPortName strings");
            continue;
        }
        entry.menuTitle = std::move(*title);
        entry.message = std::move(*message);
        entry.portName = std::move(*port);
        if (const PropertyList* data = raw.get(kUserDataKey)) {
            if (!data->asString()) {
                problem(i, "NSUserData is not a string");
                continue;
            }
            entry.userData = *data->asString();
        }
        if (!readTypes(raw.get(kSendTypesKey), entry.sendTypes) ||
            !readTypes(raw.get(kReturnTypesKey), entry.returnTypes)) {
            problem(i, "NSSendTypes and NSReturnTypes must be arrays of type names");
            continue;
        }
        entry.timeout = readTimeout(raw.get(kTimeoutKey));
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace platform
