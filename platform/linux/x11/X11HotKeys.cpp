#include "platform/linux/x11/X11HotKeys.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/core/Log.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/linux/x11/XcbScreen.h"
#include "platform/linux/x11/XcbXkb.h"

namespace platform {

namespace {

constexpr xcb_keysym_t kNumLock = 0xff7f, kScrollLock = 0xff14, kSuperL = 0xffeb, kSuperR = 0xffec,
                       kAltL = 0xffe9, kAltR = 0xffea;
constexpr uint16_t kModifierBits = 0xff;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&free)>;
template <typename T>
Reply<T> reply(T* r) {
    return Reply<T>(r, &free);
}

}  // namespace

std::unique_ptr<X11HotKeys> X11HotKeys::open(PostToMain postToMain, const std::string& display) {
    const auto screen = connectToScreen(display);
    if (!screen) return nullptr;
    return std::unique_ptr<X11HotKeys>(
        new X11HotKeys(screen->connection, screen->root, std::move(postToMain)));
}

X11HotKeys::X11HotKeys(xcb_connection_t* connection, xcb_window_t root, PostToMain postToMain)
    : connection_(connection), root_(root), postToMain_(std::move(postToMain)) {
    setUpXkb();
    readMasks();
    if (pipe2(wakeup_, O_CLOEXEC | O_NONBLOCK) == 0)
        thread_ = std::thread([this] { run(); });
    else
        ended_ = true;
}

X11HotKeys::~X11HotKeys() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        const char byte = 0;
        ssize_t ignored = ::write(wakeup_[1], &byte, 1);
        (void)ignored;
        thread_.join();
    }
    for (int fd : wakeup_)
        if (fd >= 0) close(fd);
    // Closing the connection releases every grab.
    xcb_disconnect(connection_);
}

void X11HotKeys::setUpXkb() {
    auto use = reply(xcb_xkb_use_extension_reply(
        connection_, xcb_xkb_use_extension(connection_, 1, 0), nullptr));
    if (!use || !use->supported) return;
    xkbEventBase_ = xcb_get_extension_data(connection_, &xcb_xkb_id)->first_event;

    // Held keys then repeat as presses without releases in between, so repeats can be told
    // from new presses.
    constexpr uint32_t kDetectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    auto flags = reply(xcb_xkb_per_client_flags_reply(
        connection_,
        xcb_xkb_per_client_flags(connection_, XCB_XKB_ID_USE_CORE_KBD, kDetectable, kDetectable, 0,
                                 0, 0),
        nullptr));
    detectsAutoRepeat_ = flags && (flags->value & kDetectable);

    // A client that speaks XKB no longer gets the core mapping notice for a new keymap
    // (setxkbmap), so ask for XKB's own.
    constexpr uint16_t kEvents =
        XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    constexpr uint16_t kMapParts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    xcb_xkb_select_events_aux(connection_, XCB_XKB_ID_USE_CORE_KBD, kEvents, 0, 0, kMapParts,
                              kMapParts, &details);
    xcb_flush(connection_);
}

int X11HotKeys::registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature,
                               uint32_t id, Ref& ref) {
    const auto xKey = KeyCodeMap::x11KeyCode(keyCode);
    if (!xKey) return HotKeyStatus::kParamErr;
    int status = HotKeyStatus::kParamErr;
    onThread([&] {
        Registration r{keyCode, carbonModifiers, signature, id, *xKey, xModifiers(carbonModifiers),
                       true};
        status = acquire({r.xKey, r.xModifiers});
        if (status != HotKeyStatus::kNoErr) return;
        ref = nextRef_++;
        registrations_.emplace(ref, r);
    });
    return status;
}

void X11HotKeys::unregisterHotKey(Ref ref) {
    onThread([&] {
        const auto found = registrations_.find(ref);
        if (found == registrations_.end()) return;
        if (found->second.grabbed) release({found->second.xKey, found->second.xModifiers});
        registrations_.erase(found);
    });
}

void X11HotKeys::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

bool X11HotKeys::heldByAnotherClient(uint16_t keyCode, uint32_t carbonModifiers) {
    const auto xKey = KeyCodeMap::x11KeyCode(keyCode);
    if (!xKey) return false;
    bool held = false;
    onThread([&] {
        const Grab grab{*xKey, xModifiers(carbonModifiers)};
        if (grabs_.contains(grab)) return;
        held = grabAll(grab) > 0;
        if (!held) ungrabAll(grab);
    });
    return held;
}

bool X11HotKeys::onThread(const std::function<void()>& job) {
    // A handler posted inline (no queue in between) may register from the key thread itself.
    if (std::this_thread::get_id() == thread_.get_id()) {
        job();
        return true;
    }
    std::unique_lock lock(mutex_);
    if (ended_ || stopping_) return false;
    bool finished = false;
    jobs_.push_back([&] {
        job();
        std::lock_guard done(mutex_);
        finished = true;
        done_.notify_all();
    });
    const char byte = 0;
    ssize_t ignored = ::write(wakeup_[1], &byte, 1);
    (void)ignored;
    done_.wait(lock, [&] { return finished || ended_; });
    return finished;
}

void X11HotKeys::run() {
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeup_[0], POLLIN, 0}};
    for (;;) {
        bool any = false;
        bool remap = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            any = true;
            handle(event, remap);
            free(event);
        }
        if (xcb_connection_has_error(connection_)) break;
        if (remap) regrabEverything();
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            jobs.swap(jobs_);
        }
        for (const auto& job : jobs) job();
        // Round trips of the jobs or the re-grab may have queued events behind poll's back.
        if (any || remap || !jobs.empty()) continue;
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[1].revents) {
            char buffer[64];
            while (::read(wakeup_[0], buffer, sizeof buffer) > 0) {
            }
        }
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    jobs_.clear();
    done_.notify_all();
}

void X11HotKeys::handle(xcb_generic_event_t* event, bool& remap) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
        pressed(press->detail, press->state);
    } else if (type == XCB_KEY_RELEASE) {
        down_.erase(reinterpret_cast<xcb_key_release_event_t*>(event)->detail);
    } else if (type == XCB_MAPPING_NOTIFY) {
        const auto* notify = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
        remap |= notify->request != XCB_MAPPING_POINTER;
    } else if (xkbEventBase_ && type == xkbEventBase_) {
        const uint8_t xkbType = reinterpret_cast<xcb_xkb_map_notify_event_t*>(event)->xkbType;
        remap |= xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY;
    }
}

void X11HotKeys::pressed(uint8_t key, uint16_t state) {
    const bool repeat = !down_.insert(key).second;
    if (repeat && detectsAutoRepeat_) return;
    const uint16_t modifiers = state & kModifierBits & ~masks_.locks;
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
    }
    if (!handler) return;
    for (const auto& [ref, r] : registrations_) {
        if (r.xKey != key || r.xModifiers != modifiers || !r.grabbed) continue;
        postToMain_([handler, signature = r.signature, id = r.id] { handler(signature, id); });
    }
}

void X11HotKeys::readMasks() {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const auto keyboardCookie =
        xcb_get_keyboard_mapping(connection_, setup->min_keycode,
                                 static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1));
    const auto modifierCookie = xcb_get_modifier_mapping(connection_);
    auto keyboard = reply(xcb_get_keyboard_mapping_reply(connection_, keyboardCookie, nullptr));
    auto modifiers = reply(xcb_get_modifier_mapping_reply(connection_, modifierCookie, nullptr));

    uint16_t num = 0, scroll = 0, super = 0, alt = 0;
    if (keyboard && modifiers && keyboard->keysyms_per_keycode > 0) {
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keyboard.get());
        const int count = xcb_get_keyboard_mapping_keysyms_length(keyboard.get());
        const int perKey = keyboard->keysyms_per_keycode;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int perModifier = modifiers->keycodes_per_modifier;
        // Mod1 to Mod5: Shift, Lock and Control are fixed.
        for (int index = 3; index < 8; ++index) {
            const uint16_t bit = static_cast<uint16_t>(1u << index);
            for (int k = 0; k < perModifier; ++k) {
                const xcb_keycode_t code = codes[index * perModifier + k];
                if (code < setup->min_keycode) continue;
                const int first = (code - setup->min_keycode) * perKey;
                for (int j = first; j < first + perKey && j < count; ++j) {
                    const xcb_keysym_t sym = keysyms[j];
                    if (sym == kNumLock) num |= bit;
                    if (sym == kScrollLock) scroll |= bit;
                    // One bit per role: a grab naming two would need both held. The left
                    // key's bit wins, else the first found.
                    if ((sym == kSuperL || sym == kSuperR) && (!super || sym == kSuperL))
                        super = bit;
                    if ((sym == kAltL || sym == kAltR) && (!alt || sym == kAltL)) alt = bit;
                }
            }
        }
    }

    Masks masks;
    if (super) masks.super = super;
    if (alt) masks.alt = alt;
    // A lock that shares its bit with a modifier of the combinations would make them ambiguous.
    const uint16_t taken = masks.super | masks.alt | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    for (uint16_t lock : {num, scroll})
        if (lock && !(lock & (taken | masks.locks))) masks.locks |= lock;
    masks.lockVariants.clear();
    // Every subset of the lock bits.
    for (uint16_t subset = masks.locks;; subset = (subset - 1) & masks.locks) {
        masks.lockVariants.push_back(subset);
        if (subset == 0) break;
    }
    masks_ = masks;
}

uint16_t X11HotKeys::xModifiers(uint32_t carbonModifiers) const {
    uint16_t mask = 0;
    if (carbonModifiers & CarbonModifier::kCmd) mask |= masks_.super;
    if (carbonModifiers & CarbonModifier::kOption) mask |= masks_.alt;
    if (carbonModifiers & CarbonModifier::kControl) mask |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & CarbonModifier::kShift) mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

int X11HotKeys::grabAll(Grab grab) {
    std::vector<xcb_void_cookie_t> cookies;
    for (uint16_t variant : masks_.lockVariants) {
        cookies.push_back(xcb_grab_key_checked(connection_, 1, root_, grab.second | variant,
                                               grab.first, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    }
    std::vector<uint16_t> held;
    int refused = 0;
    for (size_t i = 0; i < cookies.size(); ++i) {
        if (auto error = reply(xcb_request_check(connection_, cookies[i])))
            ++refused;
        else
            held.push_back(masks_.lockVariants[i]);
    }
    if (refused) {
        for (uint16_t variant : held)
            xcb_ungrab_key(connection_, grab.first, root_, grab.second | variant);
        xcb_flush(connection_);
    }
    return refused;
}

void X11HotKeys::ungrabAll(Grab grab) {
    for (uint16_t variant : masks_.lockVariants)
        xcb_ungrab_key(connection_, grab.first, root_, grab.second | variant);
    xcb_flush(connection_);
}

int X11HotKeys::acquire(Grab grab) {
    if (auto held = grabs_.find(grab); held != grabs_.end()) {
        ++held->second;
        return HotKeyStatus::kNoErr;
    }
    if (grabAll(grab) > 0) return HotKeyStatus::kEventHotKeyExistsErr;
    grabs_.emplace(grab, 1);
    return HotKeyStatus::kNoErr;
}

void X11HotKeys::release(Grab grab) {
    const auto held = grabs_.find(grab);
    if (held == grabs_.end() || --held->second > 0) return;
    ungrabAll(grab);
    grabs_.erase(held);
}

void X11HotKeys::regrabEverything() {
    // Released with the bits they were grabbed with, before the new bits are read.
    for (const auto& [grab, count] : grabs_) ungrabAll(grab);
    grabs_.clear();
    down_.clear();
    readMasks();
    for (auto& [ref, r] : registrations_) {
        r.xModifiers = xModifiers(r.carbonModifiers);
        r.grabbed = acquire({r.xKey, r.xModifiers}) == HotKeyStatus::kNoErr;
        if (!r.grabbed)
            log("Hot key " + std::to_string(r.keyCode) + "/" + std::to_string(r.carbonModifiers) +
                " is held by another client since the keyboard changed");
    }
}

}  // namespace platform
