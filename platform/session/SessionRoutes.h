#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform {

// What the user's graphical session offers the agent, as found at start-up: never guessed from
// the desktop's name.
struct SessionCapabilities {
    enum class Kind { None, X11, Wayland };
    Kind kind = Kind::None;
    // Wayland registry globals: interface name → version.
    std::map<std::string, uint32_t> globals;
    // Desktop portal interfaces on the session bus, by short name ("GlobalShortcuts",
    // "RemoteDesktop", "Clipboard") → version.
    std::map<std::string, uint32_t> portals;
    bool kglobalaccel = false;            // KDE's global shortcut service on the session bus
    bool gnomeCustomKeybindings = false;  // the GNOME media-keys schema (custom shortcuts)
    bool swayIpc = false;                 // $SWAYSOCK answers
    bool kwinScripting = false;           // KWin's scripting service on the session bus
};

// Which implementation serves each thing the agent asks of the desktop, chosen from what the
// session offers, with the words the log and `purlanectl session` show.
struct SessionRoutes {
    enum class HotKeys { X11Grabs, GlobalShortcutsPortal, KGlobalAccel, DesktopBinding, None };
    enum class Keys { XTest, RemoteDesktopPortal, VirtualKeyboard, None };
    enum class Clipboard { X11Selection, ExtDataControl, WlrDataControl, Portal, None };
    enum class Focus { X11ActiveWindow, SwayIpc, KWinScript, ForeignToplevel, FocusedOnly, None };

    HotKeys hotKeys = HotKeys::None;
    Keys keys = Keys::None;
    Clipboard clipboard = Clipboard::None;
    Focus focus = Focus::None;

    static SessionRoutes choose(const SessionCapabilities& found);
    // The words the log and `purlanectl session` use for each route.
    static const char* word(HotKeys route);
    static const char* word(Keys route);
    static const char* word(Clipboard route);
    static const char* word(Focus route);
    static const char* word(SessionCapabilities::Kind kind);
    // One line: what was found and the route of each capability.
    static std::string describe(const SessionCapabilities& found, const SessionRoutes& routes);
    // What the agent cannot do in this session, one sentence each; empty when it can do all.
    std::vector<std::string> limitations() const;
};

}  // namespace platform
