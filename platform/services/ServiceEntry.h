#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"

namespace platform {

// One entry of the Services menu as a dictionary of an NSServices array declares it: the menu
// title, the provider's message and port, the user data handed along, and the pasteboard types
// it takes and gives back.
struct ServiceEntry {
    static constexpr const char* kServicesKey = "NSServices";
    static constexpr const char* kMenuItemKey = "NSMenuItem";
    static constexpr const char* kMenuItemDefaultKey = "default";
    static constexpr const char* kMessageKey = "NSMessage";
    static constexpr const char* kPortNameKey = "NSPortName";
    static constexpr const char* kUserDataKey = "NSUserData";
    static constexpr const char* kSendTypesKey = "NSSendTypes";
    static constexpr const char* kReturnTypesKey = "NSReturnTypes";
    static constexpr const char* kRequiredContextKey = "NSRequiredContext";
    static constexpr const char* kTimeoutKey = "NSTimeout";

    std::string menuTitle;
    std::string message;
    std::string portName;
    std::optional<std::string> userData;
    // As type identifiers (legacy names normalised), in the declared order.
    std::vector<std::string> sendTypes;
    std::vector<std::string> returnTypes;
    // NSTimeout is given in milliseconds; here in seconds. Nothing: the OS's default.
    std::optional<double> timeout;
    // The application that answers: the bundle declaring the entry, or for a dynamic entry the
    // installed application that provides its port. Empty when there is none.
    std::string providerBundleIdentifier;
    // The property list the entry was read from.
    std::filesystem::path source;

    // The entries of an NSServices value, in order. The value comes from files anyone may write:
    // an entry without a title, message or port, or with a value of the wrong type, is left out
    // and described in `problems`.
    static std::vector<ServiceEntry> listFrom(const PropertyList& services,
                                              std::vector<std::string>* problems = nullptr);

    friend bool operator==(const ServiceEntry&, const ServiceEntry&) = default;
};

}  // namespace platform
