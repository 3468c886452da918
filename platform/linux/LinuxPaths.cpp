#include "platform/linux/LinuxPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

namespace fs = std::filesystem;

// The OS's code for an invalid file name on writing.
constexpr int kFileWriteInvalidFileName = 514;
// Room for ".plist.corrupt-YYYYMMDDTHHMMSS-N" and similar suffixes under NAME_MAX.
constexpr size_t kMaxNameLength = 200;

// An environment variable that holds an absolute path; the XDG rules say relative ones are
// ignored.
std::optional<fs::path> absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return std::nullopt;
    return fs::path(value);
}

fs::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && home[0]) return home;
    struct passwd pw {};
    struct passwd* result = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir)
        return result->pw_dir;
    return "/";
}

Error invalidName(const std::string& name, const char* what) {
    return Error::other("\u201c" + name + "\u201d isn\u2019t a valid " + what + " name.",
                        "it could lead outside its folder", kFileWriteInvalidFileName);
}

// Creates `dir` (mode 0700) if needed and checks it is ours and private.
Result<fs::path> privateDirectory(const fs::path& dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return Error::other("The runtime folder couldn\u2019t be created.",
                            dir.string() + ": " + std::strerror(errno), Error::kFileWriteUnknown);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return Error::other("The runtime folder isn\u2019t safe to use.",
                            dir.string() + " is not a directory owned by this user",
                            Error::kFileWriteUnknown);
    if ((st.st_mode & 0077) != 0 && chmod(dir.c_str(), 0700) != 0)
        return Error::other("The runtime folder isn\u2019t safe to use.",
                            dir.string() + ": " + std::strerror(errno), Error::kFileWriteUnknown);
    return dir;
}

}  // namespace

fs::path LinuxPaths::dataHome() {
    if (auto xdg = absoluteEnv("XDG_DATA_HOME")) return *xdg;
    return homeDirectory() / ".local" / "share";
}

fs::path LinuxPaths::userLibraryDirectory() {
    return dataHome() / "purlane" / "Library";
}

fs::path LinuxPaths::applicationsDirectory() {
    return dataHome() / "purlane" / "Applications";
}

fs::path LinuxPaths::systemApplicationsDirectory() {
#ifdef PURLANE_SYSTEM_APPLICATIONS_DIR
    return PURLANE_SYSTEM_APPLICATIONS_DIR;
#else
    return "/usr/lib/purlane/Applications";
#endif
}

fs::path LinuxPaths::autostartDirectory() {
    if (auto xdg = absoluteEnv("XDG_CONFIG_HOME")) return *xdg / "autostart";
    return homeDirectory() / ".config" / "autostart";
}

Result<fs::path> LinuxPaths::runtimeDirectory() {
    if (auto xdg = absoluteEnv("XDG_RUNTIME_DIR")) return privateDirectory(*xdg / "purlane");
    // /tmp is shared by everybody: someone may have created the folder first to catch our files,
    // hence the ownership check in privateDirectory.
    return privateDirectory(fs::path("/tmp") / ("purlane-" + std::to_string(getuid())));
}

bool LinuxPaths::isSafeName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxNameLength) return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool LinuxPaths::isApplicationGroup(std::string_view domain) {
    if (domain.size() < 12 || domain[10] != '.') return false;
    for (size_t i = 0; i < 10; ++i) {
        const char c = domain[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

Result<fs::path> LinuxPaths::groupContainerDirectory(const std::string& groupId) {
    if (!isSafeName(groupId)) return invalidName(groupId, "application group");
    return userLibraryDirectory() / "Group Containers" / groupId;
}

Result<fs::path> LinuxPaths::preferencesFile(const std::string& domain) {
    return preferencesFile(userLibraryDirectory(), domain);
}

Result<fs::path> LinuxPaths::preferencesFile(const fs::path& library, const std::string& domain) {
    if (!isSafeName(domain)) return invalidName(domain, "defaults domain");
    const std::string file = domain + ".plist";
    if (isApplicationGroup(domain))
        return library / "Group Containers" / domain / "Library" / "Preferences" / file;
    return library / "Preferences" / file;
}

}  // namespace platform
