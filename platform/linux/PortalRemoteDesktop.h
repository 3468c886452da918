#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/UniqueFd.h"

namespace platform {

// One remote-desktop session of the desktop portal (org.freedesktop.portal.RemoteDesktop,
// keyboard only), with the portal's clipboard on the same session where the portal has one:
// the route to synthetic keys and the clipboard on Wayland desktops that offer neither
// data-control nor a virtual keyboard.
//
// The session is made once, when the object is made, and kept for its life: CreateSession,
// RequestClipboard (when the Clipboard interface exists), SelectDevices (keyboard; on version 2
// and later persistent, with the restore token saved last time), Start. Start may show the
// user a permission dialog, so start-up runs in the background and is waited for with
// waitForStart(); the restore token Start hands back is saved for the next session, which then
// starts without a dialog.
//
// All D-Bus work runs on a thread of this object's own, on a connection of its own: answers and
// signals never need the caller's thread, which may sleep between keystrokes. A QCoreApplication
// must exist (QtDBus needs one), though its event loop need not run.
class PortalRemoteDesktop {
  public:
    enum class State {
        Starting,
        Started,      // keyboard granted
        Unavailable,  // no remote-desktop portal on the bus
        Refused,      // the user or the portal said no
        Failed,       // no answer in time, or an error
        Closed,       // the portal ended the session
    };

    // The clipboard as the portal last announced it.
    struct Selection {
        uint64_t changes = 0;  // owner changes announced so far
        std::vector<std::string> mimeTypes;
        bool sessionIsOwner = false;
    };
    // Called on the D-Bus thread: a new clipboard owner; the data of one of our offered types
    // (nothing: we cannot give it).
    using OwnerChanged = std::function<void(const Selection&)>;
    using Transfer = std::function<std::optional<std::string>(const std::string& mimeType)>;

    struct Options {
        // The longest wait for Start, which may show a dialog, and for any other answer.
        std::chrono::milliseconds startBound{60000};
        std::chrono::milliseconds callBound{5000};
    };

    using TokenLoader = std::function<std::optional<std::string>()>;
    using TokenSaver = std::function<void(const std::string&)>;

    // Starts the session in the background. `loadToken` gives the restore token saved before,
    // `saveToken` keeps a new one; both are called on the D-Bus thread.
    PortalRemoteDesktop(TokenLoader loadToken, TokenSaver saveToken, Options options);
    PortalRemoteDesktop(TokenLoader loadToken, TokenSaver saveToken)
        : PortalRemoteDesktop(std::move(loadToken), std::move(saveToken), Options{}) {}
    // Closes the session.
    ~PortalRemoteDesktop();
    PortalRemoteDesktop(const PortalRemoteDesktop&) = delete;
    PortalRemoteDesktop& operator=(const PortalRemoteDesktop&) = delete;

    State state() const;
    // Waits until start-up ended, at most `bound`; the state then.
    State waitForStart(std::chrono::milliseconds bound);
    bool keyboardGranted() const { return state() == State::Started; }
    // Whether Start granted the clipboard too.
    bool clipboardEnabled() const;

    // One key, by keysym: the compositor finds the key in the user's layout. False when the
    // session cannot send it.
    bool notifyKeysym(uint32_t keysym, bool pressed);

    // Offers the clipboard under these types; the portal's SelectionOwnerChanged confirms it.
    bool setSelection(const std::vector<std::string>& mimeTypes);
    // A pipe the current owner writes `mimeType` into; invalid when the portal refused.
    UniqueFd selectionRead(const std::string& mimeType);
    Selection selection() const;
    // Installs (or with empty functions removes) the clipboard's handlers. Once this returns,
    // the previous handlers are not running and will not run again.
    void setClipboardHandlers(OwnerChanged ownerChanged, Transfer transfer);

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
