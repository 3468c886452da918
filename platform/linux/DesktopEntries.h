#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The desktop entries (".desktop" files) of installed applications, which is how the desktop
// names an application that has a window: read from $XDG_DATA_HOME/applications, then from each
// $XDG_DATA_DIRS/applications; an entry in an earlier folder hides one with the same id later.
// The id is the file's path below "applications" with "/" turned into "-", without ".desktop".
class DesktopEntries {
  public:
    struct Entry {
        std::string id;
        std::string name;            // Name, localised for the user's language when it can be
        std::string startupWMClass;  // empty when the entry does not say
    };

    // The entries of the user's data folders (the environment above).
    static DesktopEntries load();
    // The entries of `dataDirectories` (each holding an "applications" folder), first wins.
    static DesktopEntries load(const std::vector<std::filesystem::path>& dataDirectories);
    static std::vector<std::filesystem::path> dataDirectories();
    // The entry of one file; nothing for a file that is not an application's visible entry.
    static std::optional<Entry> parse(const std::string& text, const std::string& id,
                                      const std::string& language);

    // The entry of a window, tried in this order: StartupWMClass equal to WM_CLASS's class or
    // instance; the id equal to the toolkit's application id; the id equal to WM_CLASS's class
    // or instance (ignoring ASCII case, as window classes are capitalised by convention).
    const Entry* match(const std::string& wmInstance, const std::string& wmClass,
                       const std::string& applicationId) const;

    const std::vector<Entry>& entries() const { return entries_; }

  private:
    std::vector<Entry> entries_;
};

}  // namespace platform
