#include "platform/session/SessionRoutes.h"

#include <array>

namespace platform {

namespace {

constexpr const char* kExtDataControl = "ext_data_control_manager_v1";
constexpr const char* kWlrDataControl = "zwlr_data_control_manager_v1";
constexpr const char* kVirtualKeyboard = "zwp_virtual_keyboard_manager_v1";
constexpr const char* kForeignToplevel = "zwlr_foreign_toplevel_manager_v1";

// The globals a route is built on; the compositor's other globals say nothing about the agent.
constexpr std::array kGlobalsUsed = {kExtDataControl, kWlrDataControl, kVirtualKeyboard,
                                     kForeignToplevel};

bool hasGlobal(const SessionCapabilities& found, const char* name) {
    return found.globals.contains(name);
}

bool hasPortal(const SessionCapabilities& found, const char* name) {
    return found.portals.contains(name);
}

SessionRoutes chooseWayland(const SessionCapabilities& found) {
    using R = SessionRoutes;
    R routes;
    routes.hotKeys = hasPortal(found, "GlobalShortcuts") ? R::HotKeys::GlobalShortcutsPortal
                     : found.kglobalaccel                ? R::HotKeys::KGlobalAccel
                                                         : R::HotKeys::DesktopBinding;
    routes.keys = hasPortal(found, "RemoteDesktop")    ? R::Keys::RemoteDesktopPortal
                  : hasGlobal(found, kVirtualKeyboard) ? R::Keys::VirtualKeyboard
                                                       : R::Keys::None;
    // The portal's clipboard is only reachable through a remote-desktop session.
    const bool portalClipboard = hasPortal(found, "Clipboard") && hasPortal(found, "RemoteDesktop");
    routes.clipboard = hasGlobal(found, kExtDataControl)   ? R::Clipboard::ExtDataControl
                       : hasGlobal(found, kWlrDataControl) ? R::Clipboard::WlrDataControl
                       : portalClipboard                   ? R::Clipboard::Portal
                                                           : R::Clipboard::None;
    routes.focus = found.swayIpc                        ? R::Focus::SwayIpc
                   : found.kwinScripting                ? R::Focus::KWinScript
                   : hasGlobal(found, kForeignToplevel) ? R::Focus::ForeignToplevel
                                                        : R::Focus::FocusedOnly;
    return routes;
}

}  // namespace

SessionRoutes SessionRoutes::choose(const SessionCapabilities& found) {
    SessionRoutes routes;
    switch (found.kind) {
        case SessionCapabilities::Kind::None:
            break;
        case SessionCapabilities::Kind::X11:
            routes.hotKeys = HotKeys::X11Grabs;
            routes.keys = Keys::XTest;
            routes.clipboard = Clipboard::X11Selection;
            routes.focus = Focus::X11ActiveWindow;
            break;
        case SessionCapabilities::Kind::Wayland:
            routes = chooseWayland(found);
            break;
    }
    return routes;
}

const char* SessionRoutes::word(HotKeys route) {
    switch (route) {
        case HotKeys::X11Grabs:
            return "X11 key grabs";
        case HotKeys::GlobalShortcutsPortal:
            return "GlobalShortcuts portal";
        case HotKeys::KGlobalAccel:
            return "kglobalaccel";
        case HotKeys::DesktopBinding:
            return "bound in the desktop's settings";
        case HotKeys::None:
            break;
    }
    return "none";
}

const char* SessionRoutes::word(Keys route) {
    switch (route) {
        case Keys::XTest:
            return "XTest";
        case Keys::RemoteDesktopPortal:
            return "RemoteDesktop portal";
        case Keys::VirtualKeyboard:
            return "virtual keyboard";
        case Keys::None:
            break;
    }
    return "none";
}

const char* SessionRoutes::word(Clipboard route) {
    switch (route) {
        case Clipboard::X11Selection:
            return "X11 CLIPBOARD selection";
        case Clipboard::ExtDataControl:
            return "ext data-control";
        case Clipboard::WlrDataControl:
            return "wlr data-control";
        case Clipboard::Portal:
            return "Clipboard portal";
        case Clipboard::None:
            break;
    }
    return "none";
}

const char* SessionRoutes::word(Focus route) {
    switch (route) {
        case Focus::X11ActiveWindow:
            return "X11 active window";
        case Focus::SwayIpc:
            return "Sway IPC";
        case Focus::KWinScript:
            return "KWin script";
        case Focus::ForeignToplevel:
            return "foreign toplevel";
        case Focus::FocusedOnly:
            return "focused window only";
        case Focus::None:
            break;
    }
    return "none";
}

const char* SessionRoutes::word(SessionCapabilities::Kind kind) {
    switch (kind) {
        case SessionCapabilities::Kind::X11:
            return "x11";
        case SessionCapabilities::Kind::Wayland:
            return "wayland";
        case SessionCapabilities::Kind::None:
            break;
    }
    return "none";
}

std::string SessionRoutes::describe(const SessionCapabilities& found, const SessionRoutes& routes) {
    std::string line = std::string("Session: ") + word(found.kind);
    if (found.kind == SessionCapabilities::Kind::Wayland) {
        std::vector<std::string> items;
        for (const char* name : kGlobalsUsed) {
            if (auto it = found.globals.find(name); it != found.globals.end())
                items.push_back(it->first + " v" + std::to_string(it->second));
        }
        for (const auto& [name, version] : found.portals)
            items.push_back("portal " + name + " v" + std::to_string(version));
        if (found.kglobalaccel) items.push_back("kglobalaccel");
        if (found.kwinScripting) items.push_back("KWin scripting");
        if (found.swayIpc) items.push_back("Sway IPC");
        if (found.gnomeCustomKeybindings) items.push_back("GNOME custom keybindings");
        line += "; found ";
        if (items.empty()) line += "nothing the agent uses";
        for (size_t i = 0; i < items.size(); ++i) line += (i ? ", " : "") + items[i];
    }
    line += std::string("; hot keys: ") + word(routes.hotKeys) + ", keys: " + word(routes.keys) +
            ", clipboard: " + word(routes.clipboard) + ", focus: " + word(routes.focus);
    return line;
}

std::vector<std::string> SessionRoutes::limitations() const {
    std::vector<std::string> out;
    if (hotKeys == HotKeys::DesktopBinding)
        out.push_back(
            "Global hot keys must be bound in the desktop's keyboard settings to the purlanectl "
            "command lines shown in the Global HotKeys pane.");
    else if (hotKeys == HotKeys::None)
        out.push_back(
            "Global hot keys are not available: there is no desktop session to "
            "register them with.");
    if (keys == Keys::None)
        out.push_back(
            "Synthetic keys are not available: the cleaned text stays on the clipboard and must "
            "be pasted by hand.");
    if (clipboard == Clipboard::None)
        out.push_back(
            "The desktop's clipboard is not available: cleaners cannot be applied in place, and "
            "the clipboard is not mirrored to the general pasteboard.");
    if (focus == Focus::FocusedOnly)
        out.push_back(
            "The application in front is not known: the paste goes to whatever has the focus.");
    else if (focus == Focus::None)
        out.push_back("The application in front is not known: there is no desktop session.");
    return out;
}

}  // namespace platform
