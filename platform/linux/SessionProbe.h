#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/session/SessionRoutes.h"

namespace platform {

// Finds what the user's graphical session offers by asking it: the Wayland compositor's
// registry, the desktop portal's interfaces, the services on the session bus, Sway's IPC
// socket, the installed GSettings schemas. Never guesses from the desktop's name.
//
// The D-Bus questions go over the process's session bus connection; a Qt core application
// should exist first. Every question is bounded in time: a session that does not answer counts
// as not offering it.
class SessionProbe {
  public:
    // The environment values the probe reads; unset variables are empty.
    struct Environment {
        std::string waylandDisplay;      // WAYLAND_DISPLAY: a socket name or an absolute path
        std::string display;             // DISPLAY
        std::string xdgRuntimeDir;       // XDG_RUNTIME_DIR, where relative socket names live
        std::string swaySocket;          // SWAYSOCK
        std::string home;                // HOME
        std::string xdgDataHome;         // XDG_DATA_HOME
        std::string xdgDataDirs;         // XDG_DATA_DIRS
        std::string gsettingsSchemaDir;  // GSETTINGS_SCHEMA_DIR
    };
    static Environment currentEnvironment();

    // Wayland when WAYLAND_DISPLAY names a compositor that answers (XWayland sets DISPLAY as
    // well, so Wayland wins); otherwise X11 when DISPLAY is set; otherwise none. Only a Wayland
    // session is asked for more: on X11 the routes are fixed.
    static SessionCapabilities probe();
    static SessionCapabilities probe(const Environment& env);

    // The registry's globals (interface → version) after one round trip on a connection of our
    // own; nothing when the compositor cannot be reached or does not answer within `bound`.
    static std::optional<std::map<std::string, uint32_t>> waylandGlobals(
        const Environment& env, std::chrono::milliseconds bound = std::chrono::seconds(3));
    // The portal interfaces "GlobalShortcuts", "RemoteDesktop" and "Clipboard" the desktop portal
    // serves, with their versions. The portal may be started for this; a portal that does not
    // answer within `bound` counts as absent.
    static std::map<std::string, uint32_t> portalVersions(
        std::chrono::milliseconds bound = std::chrono::seconds(3));
    // Whether Sway answers a version request on its IPC socket within `bound`.
    static bool swayIpcAnswers(const std::string& socketPath,
                               std::chrono::milliseconds bound = std::chrono::seconds(2));
    // Whether GNOME's media-keys schema (which holds custom shortcuts) is installed.
    static bool gnomeCustomKeybindingsInstalled(const Environment& env);

    // Tells the desktop portal which application this process is (`appId` names the desktop
    // entry `<appId>.desktop`), where the portal has a host registry. Must come before any
    // portal method call on the session bus connection, the probe's included. False when there
    // is no registry or it refused.
    static bool registerWithPortal(const std::string& appId,
                                   std::chrono::milliseconds bound = std::chrono::seconds(3));
};

}  // namespace platform
