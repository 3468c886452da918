#include "platform/linux/SessionServices.h"

#include <cstdlib>

#include "platform/core/Log.h"
#include "platform/linux/KGlobalAccelHotKeys.h"
#include "platform/linux/MirroredPasteboardStore.h"
#include "platform/linux/PortalClipboard.h"
#include "platform/linux/PortalGlobalShortcuts.h"
#include "platform/linux/PortalKeyEvents.h"
#include "platform/linux/PortalRemoteDesktop.h"
#include "platform/linux/SessionProbe.h"
#include "platform/linux/wayland/ForeignToplevelApplications.h"
#include "platform/linux/wayland/SwayForeignApplications.h"
#include "platform/linux/wayland/VirtualKeyboardKeyEvents.h"
#include "platform/linux/wayland/WaylandDataControlClipboard.h"
#include "platform/linux/x11/X11Accessibility.h"
#include "platform/linux/x11/X11HotKeys.h"
#include "platform/linux/x11/X11PasteboardStore.h"
#include "platform/linux/x11/X11SystemShortcuts.h"
#include "platform/linux/x11/XTestKeyEvents.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"

namespace platform {

namespace {

// Where a compositor or a portal grants synthetic input, the grant is the permission.
class GrantedKeysAccessibility : public Accessibility {
  public:
    GrantedKeysAccessibility(KeyEvents& keys, PortalRemoteDesktop* portal)
        : keys_(keys), portal_(portal) {}
    bool isProcessTrusted(bool /*prompt*/) override {
        if (keys_.hasEventSource()) return true;
        if (portal_ && portal_->state() == PortalRemoteDesktop::State::Starting)
            log("Synthetic keys: the desktop has not answered the request for them yet");
        else
            log("Synthetic keys unavailable: this desktop session grants none");
        return false;
    }

  private:
    KeyEvents& keys_;
    PortalRemoteDesktop* portal_;
};

// The application in front as the clipboard shortcuts know applications.
ClipboardShortcuts::Application frontApplication(ForeignApplications* applications) {
    const auto front = applications ? applications->frontmost() : std::nullopt;
    if (!front) return {};
    return {"", front->localizedName, front->bundleIdentifier.value_or("")};
}

// A desktop that binds shortcuts for us refuses or changes the combinations it uses itself,
// in its own settings: none counts as taken here.
class DesktopArbitratedShortcuts : public SystemShortcuts {
  public:
    bool isTaken(uint16_t, uint32_t) override { return false; }
};

// Keys that first wait, boundedly, until the hot key that started the action is let go: the
// portal's keys would otherwise carry the user's held modifiers into the copy and the paste.
class AfterReleaseKeyEvents : public KeyEvents {
  public:
    AfterReleaseKeyEvents(std::unique_ptr<KeyEvents> keys, PortalGlobalShortcuts& shortcuts)
        : keys_(std::move(keys)), shortcuts_(shortcuts) {}
    bool hasEventSource() override { return keys_->hasEventSource(); }
    void postToPid(int pid, const KeyEvent& event) override {
        waitForRelease(event);
        keys_->postToPid(pid, event);
    }
    void post(const KeyEvent& event) override {
        waitForRelease(event);
        keys_->post(event);
    }

  private:
    void waitForRelease(const KeyEvent& event) {
        if (event.down && !shortcuts_.waitForRelease(kBound))
            log("Hot key still held after " + std::to_string(kBound.count()) +
                " ms; typing anyway");
    }
    static constexpr std::chrono::milliseconds kBound{1000};
    std::unique_ptr<KeyEvents> keys_;
    PortalGlobalShortcuts& shortcuts_;
};

// A session that grants no synthetic keys: nothing can be posted, and the pipeline says so.
class NoKeyEvents : public KeyEvents {
  public:
    bool hasEventSource() override { return false; }
    void postToPid(int, const KeyEvent&) override {}
    void post(const KeyEvent&) override {}
};

std::unique_ptr<XkbKeyboardLayout> keyboardLayout() {
    // XWayland's keymap is the compositor's; without an X server a US keymap names the keys.
    auto layout = XkbKeyboardLayout::fromDisplay();
    return layout ? std::move(layout) : XkbKeyboardLayout::fromNames({"us"});
}

}  // namespace

SessionServices::SessionServices(Options options) : options_(std::move(options)) {
    // The portal accepts our id only before anything else asked it something.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland) SessionProbe::registerWithPortal(options_.appId);
    found_ = SessionProbe::probe();
    routes_ = SessionRoutes::choose(found_);
    log(SessionRoutes::describe(found_, routes_));
    for (const std::string& limit : routes_.limitations()) log(limit);

    layout_ = keyboardLayout();
    if (isWayland()) {
        openWayland();
        return;
    }
    // X11 (or no display at all): grabs, XTest and the display's active window.
    auto x11 = X11HotKeys::open(options_.runOnMain);
    if (x11) systemShortcuts_ = std::make_unique<X11SystemShortcuts>(*x11);
    hotKeys_ = std::move(x11);
    if (layout_)
        keyEvents_ = std::make_unique<XTestKeyEvents>(*layout_, options_.clipboardKeys);
    else
        keyEvents_ = std::make_unique<NoKeyEvents>();
    accessibility_ = std::make_unique<X11Accessibility>();
}

bool SessionServices::canApplyCleaners() const {
    return !isWayland() || routes_.clipboard != SessionRoutes::Clipboard::None;
}

SessionServices::~SessionServices() = default;

void SessionServices::openWayland() {
    using R = SessionRoutes;
    switch (routes_.focus) {
        case R::Focus::SwayIpc:
            foreign_ = SwayForeignApplications::open();
            break;
        case R::Focus::KWinScript:
        case R::Focus::ForeignToplevel:
            // KWin's scripting route is not built: foreign-toplevel, where KWin offers it.
            foreign_ = ForeignToplevelApplications::open();
            break;
        default:
            break;
    }
    foreignView_ = foreign_.get();

    if (routes_.keys == R::Keys::RemoteDesktopPortal || routes_.clipboard == R::Clipboard::Portal)
        remoteDesktop_ =
            std::make_unique<PortalRemoteDesktop>(options_.loadToken, options_.saveToken);

    PortalGlobalShortcuts* portalShortcuts = nullptr;
    if (routes_.hotKeys == R::HotKeys::GlobalShortcutsPortal) {
        auto portal = PortalGlobalShortcuts::open(options_.runOnMain);
        portalShortcuts = portal.get();
        hotKeys_ = std::move(portal);
    } else if (routes_.hotKeys == R::HotKeys::KGlobalAccel) {
        hotKeys_ = KGlobalAccelHotKeys::open(options_.runOnMain, options_.appId, "Purlane");
    }
    if (hotKeys_) systemShortcuts_ = std::make_unique<DesktopArbitratedShortcuts>();

    if (routes_.keys == R::Keys::RemoteDesktopPortal && remoteDesktop_) {
        keyEvents_ = std::make_unique<PortalKeyEvents>(
            *remoteDesktop_, layout_.get(), options_.clipboardKeys,
            [foreign = foreignView_] { return frontApplication(foreign); });
    } else if (routes_.keys == R::Keys::VirtualKeyboard && layout_) {
        keyEvents_ = VirtualKeyboardKeyEvents::open(*layout_, options_.clipboardKeys, foreignView_);
        if (!keyEvents_) log("The compositor refused a virtual keyboard");
    }
    if (keyEvents_ && portalShortcuts)
        keyEvents_ =
            std::make_unique<AfterReleaseKeyEvents>(std::move(keyEvents_), *portalShortcuts);
    if (!keyEvents_) keyEvents_ = std::make_unique<NoKeyEvents>();
    accessibility_ = std::make_unique<GrantedKeysAccessibility>(*keyEvents_, remoteDesktop_.get());
}

Result<std::shared_ptr<PasteboardStore>> SessionServices::pasteboards(
    Result<std::shared_ptr<FilePasteboardStore>> files) {
    using Mode = MirroredPasteboardStore::Mode;
    if (!isWayland()) return X11PasteboardStore::wrap(std::move(files), Mode::Watching);
    if (!files.ok()) return files.error();
    std::unique_ptr<SystemClipboard> clipboard;
    bool claimForOthers = false;
    switch (routes_.clipboard) {
        case SessionRoutes::Clipboard::ExtDataControl:
        case SessionRoutes::Clipboard::WlrDataControl:
            clipboard = WaylandDataControlClipboard::open();
            break;
        case SessionRoutes::Clipboard::Portal:
            // The session is the agent's alone: what our other programs write, it claims.
            if (remoteDesktop_) clipboard = std::make_unique<PortalClipboard>(*remoteDesktop_);
            claimForOthers = true;
            break;
        default:
            break;
    }
    if (!clipboard) {
        log("The clipboard of this session cannot be reached: pasteboards stay our own");
        return std::shared_ptr<PasteboardStore>(std::move(files).value());
    }
    return std::shared_ptr<PasteboardStore>(std::make_shared<MirroredPasteboardStore>(
        std::move(files).value(), std::move(clipboard), Mode::Watching, claimForOthers));
}

}  // namespace platform
