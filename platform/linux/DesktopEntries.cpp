#include "platform/linux/DesktopEntries.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/core/WholeFile.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// Desktop entries are a few kilobytes; anything far larger is not one.
constexpr uint64_t kMaxEntrySize = 256 * 1024;

std::string trim(const std::string& s) {
    const auto begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The value escapes of the format that can appear in a name.
std::string unescape(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char c = value[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

// "de_DE.UTF-8@euro" → the Name keys to try, most specific first.
std::vector<std::string> localeKeys(const std::string& language) {
    std::string lang = language, modifier;
    if (auto at = lang.find('@'); at != std::string::npos) {
        modifier = lang.substr(at);
        lang.erase(at);
    }
    if (auto dot = lang.find('.'); dot != std::string::npos) lang.erase(dot);
    if (lang.empty() || lang == "C" || lang == "POSIX") return {};
    std::vector<std::string> keys;
    const auto underscore = lang.find('_');
    const std::string base = lang.substr(0, underscore);
    if (!modifier.empty()) keys.push_back("Name[" + lang + modifier + "]");
    if (underscore != std::string::npos) keys.push_back("Name[" + lang + "]");
    if (!modifier.empty() && underscore != std::string::npos)
        keys.push_back("Name[" + base + modifier + "]");
    keys.push_back("Name[" + base + "]");
    return keys;
}

std::string userLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value && *value) return value;
    }
    return {};
}

std::string desktopId(const fs::path& relative) {
    std::string id = relative.generic_string();
    std::replace(id.begin(), id.end(), '/', '-');
    return id.substr(0, id.size() - std::string(".desktop").size());
}

}  // namespace

std::optional<DesktopEntries::Entry> DesktopEntries::parse(const std::string& text,
                                                           const std::string& id,
                                                           const std::string& language) {
    std::istringstream in(text);
    bool inMain = false;
    std::map<std::string, std::string> values;
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        if (!inMain) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        values.emplace(trim(line.substr(0, eq)), unescape(trim(line.substr(eq + 1))));
    }
    auto value = [&](const std::string& key) {
        auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    };
    if (value("Type") != "Application" || value("Hidden") == "true") return std::nullopt;
    Entry entry{id, value("Name"), value("StartupWMClass")};
    for (const auto& key : localeKeys(language)) {
        if (auto it = values.find(key); it != values.end() && !it->second.empty()) {
            entry.name = it->second;
            break;
        }
    }
    if (entry.name.empty()) return std::nullopt;
    return entry;
}

std::vector<fs::path> DesktopEntries::dataDirectories() {
    std::vector<fs::path> dirs;
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && *dataHome == '/')
        dirs.emplace_back(dataHome);
    else if (const char* home = std::getenv("HOME"); home && *home)
        dirs.push_back(fs::path(home) / ".local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream in(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(in, dir, ':');) {
        if (!dir.empty() && dir[0] == '/') dirs.emplace_back(dir);
    }
    return dirs;
}

DesktopEntries DesktopEntries::load() {
    return load(dataDirectories());
}

namespace {

constexpr int kMaxFolderDepth = 16;

// Every .desktop file below `folder`; a subfolder that can't be read is left out alone, not the
// rest of the scan. Links to folders aren't followed, so a loop can't go round.
void collectEntryFiles(const fs::path& folder, std::vector<fs::path>& files, int depth) {
    std::error_code ec;
    std::vector<fs::path> subfolders;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError))
            subfolders.push_back(it->path());
        else if (it->path().extension() == ".desktop")
            files.push_back(it->path());
    }
    if (depth >= kMaxFolderDepth) return;
    for (const auto& subfolder : subfolders) collectEntryFiles(subfolder, files, depth + 1);
}

}  // namespace

DesktopEntries DesktopEntries::load(const std::vector<fs::path>& dataDirectories) {
    DesktopEntries result;
    std::set<std::string> seen;
    const std::string language = userLanguage();
    for (const auto& dir : dataDirectories) {
        const fs::path applications = dir / "applications";
        std::vector<fs::path> files;
        collectEntryFiles(applications, files, 0);
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            const std::string id = desktopId(file.lexically_relative(applications));
            if (!seen.insert(id).second) continue;
            auto text = WholeFile::contents(file, kMaxEntrySize);
            if (!text.ok()) continue;
            if (auto entry = parse(*text, id, language)) result.entries_.push_back(*entry);
        }
    }
    return result;
}

const DesktopEntries::Entry* DesktopEntries::match(const std::string& wmInstance,
                                                   const std::string& wmClass,
                                                   const std::string& applicationId) const {
    auto find = [&](auto&& pred) -> const Entry* {
        auto it = std::find_if(entries_.begin(), entries_.end(), pred);
        return it == entries_.end() ? nullptr : &*it;
    };
    auto named = [](const std::string& a, const std::string& b) { return !a.empty() && a == b; };
    if (auto e = find([&](const Entry& e) {
            return named(e.startupWMClass, wmClass) || named(e.startupWMClass, wmInstance);
        }))
        return e;
    if (auto e = find([&](const Entry& e) { return named(e.id, applicationId); })) return e;
    return find([&](const Entry& e) {
        return (!wmClass.empty() && equalsIgnoringCase(e.id, wmClass)) ||
               (!wmInstance.empty() && equalsIgnoringCase(e.id, wmInstance));
    });
}

}  // namespace platform
