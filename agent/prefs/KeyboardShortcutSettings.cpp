#include "agent/prefs/KeyboardShortcutSettings.h"

const std::vector<KeyboardShortcutSettings::Program>& KeyboardShortcutSettings::knownPrograms() {
    static const std::vector<Program> programs = {
        {"gnome-control-center", {"keyboard"}},  {"systemsettings", {"kcm_keys"}},
        {"systemsettings5", {"kcm_keys"}},       {"xfce4-keyboard-settings", {}},
        {"cinnamon-settings", {"keyboard"}},     {"mate-keybinding-properties", {}},
        {"budgie-control-center", {"keyboard"}}, {"lxqt-config-globalkeyshortcuts", {}},
    };
    return programs;
}

KeyboardShortcutSettings::KeyboardShortcutSettings(std::vector<Program> candidates,
                                                   IsInstalled isInstalled, Launch launch)
    : candidates_(std::move(candidates)),
      isInstalled_(std::move(isInstalled)),
      launch_(std::move(launch)) {}

std::optional<KeyboardShortcutSettings::Program> KeyboardShortcutSettings::available() const {
    if (!isInstalled_) return std::nullopt;
    for (const Program& program : candidates_)
        if (isInstalled_(program.executable)) return program;
    return std::nullopt;
}

bool KeyboardShortcutSettings::open() const {
    const auto program = available();
    return program && launch_ && launch_(*program);
}
