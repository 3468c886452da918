#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/input/HotKeys.h"

class QDBusMessage;

namespace platform {

class DBusSignalThread;

// System-wide hot keys through the desktop portal's global shortcuts
// (org.freedesktop.portal.GlobalShortcuts), which Wayland desktops offer instead of key grabs.
//
// One session for the object's life. Every change of the registrations binds the whole set
// again (a burst of changes, as at start-up, ends in one bind): each distinct signature and id
// is one shortcut whose preferred trigger is the registered combination in the portal's
// syntax. A portal may bind a session's shortcuts only once; when it refuses a later bind, the
// session is closed and the set bound on a new one. The desktop may let the user confirm or change
// the keys; what we registered stays the record, and when the desktop reports other keys for a
// shortcut one line is logged. Presses arrive as the portal's Activated signal and reach the
// handler through `runOnMain`.
//
// Everything that talks to the portal runs on a thread of its own, so presses and answers are
// received while the main thread sleeps.
class PortalGlobalShortcuts : public HotKeys {
  public:
    using RunOnMain = std::function<void(std::function<void()>)>;
    // The text the desktop shows for a shortcut.
    using Describe = std::function<std::string(uint32_t signature, uint32_t id)>;

    // Nothing when no portal on the session bus offers global shortcuts.
    static std::unique_ptr<PortalGlobalShortcuts> open(RunOnMain runOnMain,
                                                       Describe describe = nullptr);
    ~PortalGlobalShortcuts() override;
    PortalGlobalShortcuts(const PortalGlobalShortcuts&) = delete;
    PortalGlobalShortcuts& operator=(const PortalGlobalShortcuts&) = delete;

    // kParamErr for a key without a name in the portal's syntax. The binding follows shortly.
    int registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature, uint32_t id,
                       Ref& ref) override;
    void unregisterHotKey(Ref ref) override;
    void setHandler(Handler handler) override;

    // Waits until no shortcut of ours is held down (the portal's Deactivated after each
    // Activated), at most `bound`; whether none is held. After a wait that ran out, what was
    // held counts as released. Callable from the main thread.
    bool waitForRelease(std::chrono::milliseconds bound);

    // The portal's interface version.
    uint32_t version() const { return version_; }
    // The shortcut identifier a registration is bound under.
    static std::string shortcutId(uint32_t signature, uint32_t id);

  private:
    struct Registration {
        uint32_t signature;
        uint32_t id;
        std::string trigger;
    };
    struct Bound {
        std::string trigger;
        uint32_t signature;
        uint32_t id;
    };

    PortalGlobalShortcuts(RunOnMain runOnMain, Describe describe, uint32_t version);

    // Thread only, from here on.
    void start();
    void received(const QDBusMessage& message);
    void createSession();
    // A session that refuses a second bind is given up for a new one.
    void renewSession();
    void bind();
    void bound(uint32_t response, const QDBusMessage& message);
    // A request's handle as the portal will make it; subscribed before the call.
    std::string expectRequest(const std::string& token);
    void activated(const std::string& shortcutId, bool down);

    RunOnMain runOnMain_;
    Describe describe_;
    uint32_t version_;
    std::unique_ptr<DBusSignalThread> thread_;

    // Thread only.
    std::string senderPath_;
    std::string session_;
    std::string createRequest_;
    std::string bindRequest_;
    bool bindPending_ = false;
    bool sessionBound_ = false;
    bool renewing_ = false;
    uint64_t nextToken_ = 1;
    std::map<std::string, Bound> bound_;
    std::map<std::string, std::string> reportedChoices_;

    // Shared with callers.
    std::mutex mutex_;
    std::condition_variable released_;
    Ref nextRef_ = 1;
    std::map<Ref, Registration> registrations_;
    std::set<std::string> held_;
    Handler handler_;
};

}  // namespace platform
