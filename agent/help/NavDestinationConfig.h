#pragma once

#include <optional>
#include <string>

#include "platform/core/Url.h"
#include "platform/workspace/Bundle.h"

// What a help or web window shows and how far its links may lead.
struct NavDestinationConfig {
    bool allowNavigatingAwayFromSite = false;
    bool allowFullNavigation = false;
    std::string siteTitle;
    std::optional<platform::Url> url;
    // A resource file of the application bundle ("releasenotes.html").
    std::optional<std::string> filename;

    // With a filename, that resource's URL (nothing when the bundle lacks it); otherwise url.
    std::optional<platform::Url> homeURL(const platform::Bundle& bundle) const;
    // With a filename, the home URL's folder; otherwise the home URL; "" without one.
    std::string siteBase(const platform::Bundle& bundle) const;
};
