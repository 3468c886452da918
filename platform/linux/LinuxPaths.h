#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Result.h"

namespace platform {

// Where the platform keeps its files on Linux. Everything is derived from the environment at the
// moment of the call (HOME and the XDG variables), so tests can point it at temporary folders.
class LinuxPaths {
  public:
    // ${XDG_DATA_HOME:-$HOME/.local/share}/purlane/Library: what the system calls "~/Library".
    static std::filesystem::path userLibraryDirectory();
    // ${XDG_DATA_HOME:-$HOME/.local/share}/purlane/Applications.
    static std::filesystem::path applicationsDirectory();
    // Where installed packages put the bundles for every user (PURLANE_SYSTEM_APPLICATIONS_DIR
    // of the build, /usr/lib/purlane/Applications by default).
    static std::filesystem::path systemApplicationsDirectory();
    // ${XDG_CONFIG_HOME:-$HOME/.config}/autostart: the desktop's login items.
    static std::filesystem::path autostartDirectory();
    // $XDG_RUNTIME_DIR/purlane, or /tmp/purlane-<uid> without a runtime folder; created with mode
    // 0700. An existing folder must be a real directory owned by the user.
    static Result<std::filesystem::path> runtimeDirectory();

    // userLibraryDirectory()/Group Containers/<groupId>.
    static Result<std::filesystem::path> groupContainerDirectory(const std::string& groupId);
    // The property list holding a defaults domain. Application-group domains live in the group's
    // container, every other domain in Library/Preferences.
    static Result<std::filesystem::path> preferencesFile(const std::string& domain);
    static Result<std::filesystem::path> preferencesFile(const std::filesystem::path& library,
                                                         const std::string& domain);

    // Whether `domain` names an application group ("KQ4MZR7WXN.com.halvik.purlane": ten upper-case
    // letters or digits, a dot, then at least one more character).
    static bool isApplicationGroup(std::string_view domain);
    // Whether `name` can be used as a single file-name component without escaping its folder.
    static bool isSafeName(std::string_view name);

  private:
    static std::filesystem::path dataHome();
};

}  // namespace platform
