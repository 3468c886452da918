#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "agent/shortcuts/Shortcut.h"

// Where the desktop lets no program register global shortcuts (Sway, older GNOME), the user
// binds our commands in the desktop's own settings instead: each shortcut record has the
// command line that does what its hot key does, and on GNOME it can be added to the custom
// shortcuts through gsettings, where that schema is installed.
class DesktopShortcutBindings {
  public:
    // Runs a program (argv[0] looked up in PATH) to its end: its standard output, or nothing
    // when it did not start or failed.
    using Run = std::function<std::optional<std::string>(const std::vector<std::string>& argv)>;

    static constexpr const char* kSchema = "org.gnome.settings-daemon.plugins.media-keys";
    static constexpr const char* kCustomSchema =
        "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
    static constexpr const char* kListKey = "custom-keybindings";

    // `purlanectl` is how the command lines name the tool (a path, or a name in PATH).
    DesktopShortcutBindings(std::string purlanectl, Run run);

    // The command line doing the record's action; nothing where no script command does it.
    std::optional<std::string> commandLine(const Shortcut& record) const;
    // Whether GNOME's custom shortcuts can be written here (asked once).
    bool canInstall();
    // Adds or updates the record's custom shortcut named `name`, bound to `carbon` modifiers
    // and the record's key when `bound` (otherwise left for the user to set); false when a
    // gsettings call failed or there is no command line.
    bool install(const Shortcut& record, const std::string& name, bool bound);

    // The gsettings calls install() makes after reading the list, `installed` being the custom
    // shortcut paths found there.
    std::vector<std::vector<std::string>> installCalls(
        const Shortcut& record, const std::string& name, bool bound,
        const std::vector<std::string>& installed) const;
    // The dconf folder of the record's custom shortcut.
    static std::string customPath(const Shortcut& record);
    // Quoted for a shell and for GLib's argument parser, which runs GNOME's custom shortcuts.
    static std::string shellQuoted(const std::string& word);
    // GVariant text of a string and of a string array, as gsettings takes values.
    static std::string variantString(const std::string& text);
    static std::string variantStrings(const std::vector<std::string>& texts);
    // A string array as gsettings prints it ("@as []", "['/a/', '/b/']"); nothing otherwise.
    static std::optional<std::vector<std::string>> parseStrings(const std::string& printed);

  private:
    std::string purlanectl_;
    Run run_;
    std::optional<bool> canInstall_;
};
