#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/StatusItem.h"

namespace platform {

class Bundle;

// The desktop's status area through Qt's tray icon: a StatusNotifierItem on D-Bus where the
// session has a watcher with a host, else an XEmbed icon docked in the X11 tray.
class QtStatusBar : public StatusBar {
  public:
    // Where a file of the application's resources is, by whole file name ("x@2x.png").
    using ResourceLookup =
        std::function<std::optional<std::filesystem::path>(const std::string& fileName)>;

    explicit QtStatusBar(const Bundle& bundle);
    explicit QtStatusBar(ResourceLookup resources);

    // nullptr only without a widgets application. A desktop whose tray is not running yet
    // still gets its icon: it docks once a tray appears.
    std::unique_ptr<StatusItem> statusItemWithLength(double length) override;

  private:
    ResourceLookup resources_;
    bool toldNoTray_ = false;
};

}  // namespace platform
