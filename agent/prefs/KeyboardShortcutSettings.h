#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Opens the desktop's own settings for keyboard shortcuts, where the user changes the system
// combinations that would clash with the agent's. Each desktop ships its own settings program;
// the first of the known ones that is installed is used, and without any nothing is opened.
class KeyboardShortcutSettings {
  public:
    struct Program {
        std::string executable;
        std::vector<std::string> arguments;
        friend bool operator==(const Program&, const Program&) = default;
    };
    // Whether a program of that name can be started (found in PATH).
    using IsInstalled = std::function<bool(const std::string& executable)>;
    // Starts the program without waiting for it; false when it could not be started.
    using Launch = std::function<bool(const Program& program)>;

    // The keyboard-shortcut pages of the common desktops' settings programs, in the order they
    // are tried.
    static const std::vector<Program>& knownPrograms();

    KeyboardShortcutSettings(std::vector<Program> candidates, IsInstalled isInstalled,
                             Launch launch);

    // The program open() would start, looked up afresh (the user may install one meanwhile).
    std::optional<Program> available() const;
    // Starts it; false when none is installed or it would not start.
    bool open() const;

  private:
    std::vector<Program> candidates_;
    IsInstalled isInstalled_;
    Launch launch_;
};
