#include "agent/updates/AppUpdaterChannel.h"

std::string rawValue(AppUpdaterChannel channel) {
    switch (channel) {
        case AppUpdaterChannel::purlane8:
            return "PL8";
        case AppUpdaterChannel::purlane9:
            return "PL9";
        case AppUpdaterChannel::purlaneAgent:
            return "PLAGENT";
        case AppUpdaterChannel::purlane9dev:
            return "PL9-DEV";
    }
    return "PL9";
}

std::optional<AppUpdaterChannel> appUpdaterChannelFromRawValue(const std::string& raw) {
    for (auto c : {AppUpdaterChannel::purlane8, AppUpdaterChannel::purlane9,
                   AppUpdaterChannel::purlaneAgent, AppUpdaterChannel::purlane9dev})
        if (rawValue(c) == raw) return c;
    return std::nullopt;
}

bool hasBetaFeed(AppUpdaterChannel channel) {
    return channel != AppUpdaterChannel::purlane9dev;
}
