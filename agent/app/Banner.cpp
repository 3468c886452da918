#include "agent/app/Banner.h"

std::string startupBanner(const platform::Bundle& bundle) {
    const std::string shortVersion = bundle.infoString("CFBundleShortVersionString").value_or("");
    const std::string version = bundle.infoString("CFBundleVersion").value_or("??");
    return "purlaneAgent " + shortVersion + " (" + version +
           "):\n    path = " + bundle.bundlePath().string();
}
