#pragma once

#include <xcb/xcb.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/input/HotKeys.h"

namespace platform {

// System-wide hot keys on X11: passive grabs of the key on the root window, one for each
// combination of the lock modifiers (Caps Lock, Num Lock, Scroll Lock when mapped) so that a hot
// key fires whatever locks are on. Command is Super, Option is Alt; the key is the X key at the
// virtual key code's position (KeyCodeMap), so a layout switch keeps the key where it was.
//
// The connection is this object's own and only its thread talks on it: the thread sleeps in
// poll() until the server or a caller speaks. Callers' requests (register, unregister, probe)
// are handed to the thread and waited for. Presses reach the handler through `postToMain`.
// Keyboard mapping changes re-grab everything registered, since the modifier bits may move.
//
// With XKB's detectable auto-repeat (the usual case) a held key fires once per physical press;
// without it every repeated press fires.
class X11HotKeys : public HotKeys {
  public:
    using PostToMain = std::function<void(std::function<void()>)>;

    // On `display` ($DISPLAY when empty); nothing without a display.
    static std::unique_ptr<X11HotKeys> open(PostToMain postToMain, const std::string& display = {});
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    int registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature, uint32_t id,
                       Ref& ref) override;
    void unregisterHotKey(Ref ref) override;
    void setHandler(Handler handler) override;

    // Whether another client holds the combination, found by a grab that is released at once.
    // Combinations registered here are never held by another client.
    bool heldByAnotherClient(uint16_t keyCode, uint32_t carbonModifiers);
    bool detectsAutoRepeat() const { return detectsAutoRepeat_; }

  private:
    // The X modifier bits of the moment.
    struct Masks {
        uint16_t super = XCB_MOD_MASK_4;
        uint16_t alt = XCB_MOD_MASK_1;
        uint16_t locks = XCB_MOD_MASK_LOCK;
        std::vector<uint16_t> lockVariants{0, XCB_MOD_MASK_LOCK};
    };
    struct Registration {
        uint16_t keyCode;
        uint32_t carbonModifiers;
        uint32_t signature;
        uint32_t id;
        uint8_t xKey;
        uint16_t xModifiers;
        // False when a keymap change moved it onto a combination another client holds.
        bool grabbed;
    };
    using Grab = std::pair<uint8_t, uint16_t>;

    X11HotKeys(xcb_connection_t* connection, xcb_window_t root, PostToMain postToMain);
    void setUpXkb();

    // Runs `job` on the thread and waits for it; false when the thread has ended.
    bool onThread(const std::function<void()>& job);
    void run();
    void handle(xcb_generic_event_t* event, bool& remap);
    void pressed(uint8_t key, uint16_t state);

    // Thread only, from here on.
    void readMasks();
    uint16_t xModifiers(uint32_t carbonModifiers) const;
    // Grabs every lock variant, all or nothing: the number of variants refused.
    int grabAll(Grab grab);
    void ungrabAll(Grab grab);
    int acquire(Grab grab);
    void release(Grab grab);
    void regrabEverything();

    xcb_connection_t* connection_;
    xcb_window_t root_;
    PostToMain postToMain_;
    uint8_t xkbEventBase_ = 0;
    bool detectsAutoRepeat_ = false;
    int wakeup_[2] = {-1, -1};

    Masks masks_;
    Ref nextRef_ = 1;
    std::map<Ref, Registration> registrations_;
    // Grabs held, with how many registrations share each: two registrations of one combination
    // (a replacement registered before the old one goes) hold one grab.
    std::map<Grab, int> grabs_;
    std::set<uint8_t> down_;

    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    bool ended_ = false;
    Handler handler_;
    std::thread thread_;
};

}  // namespace platform
