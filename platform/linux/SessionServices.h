#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/input/Accessibility.h"
#include "platform/input/HotKeys.h"
#include "platform/input/KeyEvents.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/ForeignApplications.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/session/SessionRoutes.h"

namespace platform {

class XkbKeyboardLayout;
class PortalRemoteDesktop;

// The agent's services of the user's desktop session, each from the route the session offers:
// on X11 key grabs, XTest and the CLIPBOARD selection; on Wayland the desktop portal, KDE's
// shortcut service, a virtual keyboard, data-control, Sway's IPC or foreign-toplevel
// management, whichever the session has. What it lacks stays missing (a null service), and the
// log says so once, with what was found.
class SessionServices {
  public:
    struct Options {
        std::string appId;  // the desktop entry's id, for the portal
        std::function<void(std::function<void()>)> runOnMain;
        // The "SyntheticClipboardKeys" default, read at each key.
        std::function<PropertyList()> clipboardKeys;
        // The remote-desktop portal's restore token, kept by the caller.
        std::function<std::optional<std::string>()> loadToken;
        std::function<void(const std::string&)> saveToken;
    };

    // Probes the session and opens every route; make it on the main thread after the Qt
    // application object.
    explicit SessionServices(Options options);
    ~SessionServices();
    SessionServices(const SessionServices&) = delete;
    SessionServices& operator=(const SessionServices&) = delete;

    const SessionCapabilities& found() const { return found_; }
    const SessionRoutes& routes() const { return routes_; }
    bool isWayland() const { return found_.kind == SessionCapabilities::Kind::Wayland; }

    // The agent's pasteboards: `files` mirrored on the session's clipboard, watched.
    Result<std::shared_ptr<PasteboardStore>> pasteboards(
        Result<std::shared_ptr<FilePasteboardStore>> files);
    // The keyboard layout key codes are read from; null only without xkeyboard-config.
    XkbKeyboardLayout* layout() { return layout_.get(); }
    // Never null: where the session grants no synthetic keys, keys that have no event source.
    KeyEvents& keyEvents() { return *keyEvents_; }
    // Whether cleaners can be applied in place at all: the session's clipboard is reachable
    // (keys or not).
    bool canApplyCleaners() const;
    HotKeys* hotKeys() { return hotKeys_.get(); }
    SystemShortcuts* systemShortcuts() { return systemShortcuts_.get(); }
    Accessibility& accessibility() { return *accessibility_; }
    // The applications with windows on a Wayland desktop, for the workspace; nothing on X11,
    // where the application object watches the display itself, or where nothing tells.
    std::unique_ptr<ForeignApplications> takeForeignApplications() { return std::move(foreign_); }

  private:
    void openWayland();

    Options options_;
    SessionCapabilities found_;
    SessionRoutes routes_;
    std::unique_ptr<XkbKeyboardLayout> layout_;
    std::unique_ptr<ForeignApplications> foreign_;
    ForeignApplications* foreignView_ = nullptr;  // stays valid once the workspace owns it
    std::unique_ptr<PortalRemoteDesktop> remoteDesktop_;
    std::unique_ptr<HotKeys> hotKeys_;
    std::unique_ptr<KeyEvents> keyEvents_;
    std::unique_ptr<SystemShortcuts> systemShortcuts_;
    std::unique_ptr<Accessibility> accessibility_;
};

}  // namespace platform
