#include "platform/linux/XdgAutostartLoginItems.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/core/Log.h"
#include "platform/linux/FileOps.h"
#include "platform/linux/InstalledApplications.h"
#include "platform/linux/LinuxPaths.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

bool hasControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// A string value of a desktop entry: backslashes are escaped.
std::string escapeValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// One quoted argument of Exec: inside double quotes ", `, $ and \ take a backslash, and a
// literal % is doubled so it is no field code. The value escape applies on top of that.
std::string execArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return escapeValue(quoted);
}

}  // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(fs::path applicationBundle)
    : applicationBundle_(std::move(applicationBundle)) {}

std::optional<fs::path> XdgAutostartLoginItems::entryPath(const std::string& bundleIdentifier) {
    if (!LinuxPaths::isSafeName(bundleIdentifier) || hasControlCharacters(bundleIdentifier))
        return std::nullopt;
    return LinuxPaths::autostartDirectory() / (bundleIdentifier + ".desktop");
}

std::optional<std::string> XdgAutostartLoginItems::entryText(const std::string& name,
                                                             const std::string& bundleIdentifier,
                                                             const fs::path& executable) {
    const std::string exe = executable.string();
    if (hasControlCharacters(exe) || hasControlCharacters(name) ||
        hasControlCharacters(bundleIdentifier))
        return std::nullopt;
    // TryExec: once the application is removed the desktop skips the entry instead of failing
    // at every login.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           escapeValue(name) +
           "\n"
           "TryExec=" +
           escapeValue(exe) +
           "\n"
           "Exec=" +
           execArgument(exe) +
           "\n"
           "NoDisplay=true\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n"
           "X-Purlane-Bundle-Identifier=" +
           escapeValue(bundleIdentifier) + "\n";
}

std::optional<Bundle> XdgAutostartLoginItems::helper(const std::string& bundleIdentifier) const {
    std::error_code ec;
    const fs::path loginItems = applicationBundle_ / "Contents" / "Library" / "LoginItems";
    for (fs::directory_iterator it(loginItems, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() != ".app") continue;
        auto bundle = Bundle::open(it->path());
        if (bundle && bundle->bundleIdentifier() == bundleIdentifier) return bundle;
    }
    return InstalledApplications::withIdentifier(bundleIdentifier);
}

bool XdgAutostartLoginItems::setEnabled(const std::string& bundleIdentifier, bool enabled) {
    const auto path = entryPath(bundleIdentifier);
    if (!path) return false;
    if (!enabled) {
        std::error_code ec;
        fs::remove(*path, ec);
        if (ec) log("Login item " + bundleIdentifier + ": " + path->string() + ": " + ec.message());
        return !ec;
    }

    const auto bundle = helper(bundleIdentifier);
    const auto executable = bundle ? bundle->executablePath() : std::nullopt;
    std::error_code ec;
    if (!executable || !fs::is_regular_file(*executable, ec)) {
        log("Login item " + bundleIdentifier + ": no such application");
        return false;
    }
    const auto text = entryText(InstalledApplications::displayName(*bundle), bundleIdentifier,
                                fs::absolute(*executable, ec));
    if (!text) return false;
    fs::create_directories(path->parent_path(), ec);
    if (ec) {
        log("Login item " + bundleIdentifier + ": " + path->parent_path().string() + ": " +
            ec.message());
        return false;
    }
    auto written = FileOps::replaceAtomically(*path, *text);
    if (!written.ok()) {
        log("Login item " + bundleIdentifier + ": " + written.error().debugDescription());
        return false;
    }
    return true;
}

}  // namespace platform
