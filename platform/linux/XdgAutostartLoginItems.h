#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/workspace/Bundle.h"
#include "platform/workspace/LoginItems.h"

namespace platform {

// Login items as the desktop knows them: one XDG autostart entry per helper in
// ${XDG_CONFIG_HOME:-~/.config}/autostart/, named after its bundle identifier and starting the
// helper's executable. The helper is looked for where the OS looks, in the login-items folder
// of the application's bundle, then among the installed applications.
class XdgAutostartLoginItems : public LoginItems {
  public:
    // `applicationBundle`: the bundle whose helpers are meant (the running program's own).
    explicit XdgAutostartLoginItems(
        std::filesystem::path applicationBundle = Bundle::main().bundlePath());

    bool setEnabled(const std::string& bundleIdentifier, bool enabled) override;

    // Where the entry of a helper goes; nothing for an identifier that is no file name.
    static std::optional<std::filesystem::path> entryPath(const std::string& bundleIdentifier);
    // The entry starting `executable`; nothing for a path an entry cannot hold (control
    // characters).
    static std::optional<std::string> entryText(const std::string& name,
                                                const std::string& bundleIdentifier,
                                                const std::filesystem::path& executable);

  private:
    std::optional<Bundle> helper(const std::string& bundleIdentifier) const;

    std::filesystem::path applicationBundle_;
};

}  // namespace platform
