#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace platform {

// Starting programs that outlive the one that started them, as the OS's launch service does:
// the new process is in a session of its own and is not our child, so no zombie stays with
// us; it inherits standard output and error, and reads nothing from our standard input.
class DetachedProcess {
  public:
    // Starts `executable` (a path, or a name looked up in PATH) with `arguments` (without the
    // program itself). `environment` changes the inherited environment: a value sets the
    // variable, nothing removes it. Returns the new process's pid once it has started the
    // program; an error when it could not be started.
    static Result<int> spawn(
        const std::string& executable, const std::vector<std::string>& arguments,
        const std::map<std::string, std::optional<std::string>>& environment = {});

    // Whether `pid` is a live process (a zombie is not).
    static bool isAlive(int pid);

    // `name` found in PATH, or nothing; a name with a slash is taken as a path.
    static std::optional<std::filesystem::path> findExecutable(const std::string& name);
};

}  // namespace platform
