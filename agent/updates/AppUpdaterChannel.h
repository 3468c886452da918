#pragma once

#include <optional>
#include <string>

// Release channels; each has its own appcast feed, named by the raw value.
enum class AppUpdaterChannel { purlane8, purlane9, purlaneAgent, purlane9dev };

// "PL8", "PL9", "PLAGENT", "PL9-DEV".
std::string rawValue(AppUpdaterChannel channel);
// Nothing for any other text.
std::optional<AppUpdaterChannel> appUpdaterChannelFromRawValue(const std::string& raw);
// The development channel has no separate beta feed.
bool hasBetaFeed(AppUpdaterChannel channel);
