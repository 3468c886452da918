#pragma once

#include <ctime>
#include <filesystem>
#include <string>

#include "platform/core/Result.h"

namespace platform {

// The user's trash as the freedesktop.org trash standard lays it out, so file managers list
// what we put there and can restore it: $XDG_DATA_HOME/Trash/files/<name> holds the item and
// $XDG_DATA_HOME/Trash/info/<name>.trashinfo says where it came from and when.
class XdgTrash {
  public:
    // ${XDG_DATA_HOME:-$HOME/.local/share}/Trash
    static std::filesystem::path homeTrash();

    // Moves `item` (a file, folder or symbolic link) into the trash under a name no other
    // trashed item has ("name", then "name 2", "name 3"... before the extension). Returns its
    // new path. Across file systems the item is copied and then removed.
    static Result<std::filesystem::path> trash(const std::filesystem::path& item);

    // The Path= value of an info file: the absolute path, percent-encoded.
    static std::string encodePath(const std::string& absolutePath);
    // "YYYY-MM-DDThh:mm:ss" in local time.
    static std::string deletionDate(std::time_t when);
};

}  // namespace platform
