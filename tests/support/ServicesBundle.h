#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/coding/PropertyListSerialization.h"

namespace testsupport {

// One entry of the agent's dynamic Services bundles, as the Services builder writes it.
inline platform::PropertyList servicesEntry(const std::string& title, const std::string& userData) {
    using platform::PropertyList;
    const PropertyList::Array types = {"NSRTFDPboardType", "NSRTFPboardType", "NSStringPboardType"};
    return PropertyList::Dictionary{{"NSMenuItem", PropertyList::Dictionary{{"default", title}}},
                                    {"NSMessage", "cleanText"},
                                    {"NSPortName", "purlaneAgent"},
                                    {"NSRequiredContext", PropertyList::Dictionary{}},
                                    {"NSReturnTypes", types},
                                    {"NSSendTypes", types},
                                    {"NSUserData", userData}};
}

// Writes the bundle `name` holding `entries` into the Services folder of `library`.
inline void writeServicesBundle(const std::filesystem::path& library, const std::string& name,
                                platform::PropertyList::Array entries) {
    using platform::PropertyList;
    auto xml = platform::PropertyListSerialization::write(
        PropertyList::Dictionary{{"NSServices", std::move(entries)}},
        platform::PropertyListFormat::Xml);
    ASSERT_TRUE(xml.ok());
    const std::filesystem::path folder = library / "Services" / name;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "info.plist", std::ios::binary) << *xml;
}

}  // namespace testsupport
