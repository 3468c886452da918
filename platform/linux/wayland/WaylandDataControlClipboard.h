#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/linux/SystemClipboard.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_proxy;
struct wl_callback;

namespace platform {

// The clipboard of a Wayland session through the compositor's data-control protocol, which lets
// a client without keyboard focus read, set and watch the selection: the standard
// ext_data_control_manager_v1 when the compositor has it, else wlroots' older
// zwlr_data_control_manager_v1 (the two differ only in their names). One connection and one
// thread of its own, so the compositor's requests for our data are answered while the caller's
// thread sleeps; each answer is written without blocking that thread, and a reader that stops
// reading is given up on after `timeout` without progress.
//
// Owner: claim() offers every MIME type the items map to, plus a marker naming this process and
// source, and returns once the compositor has announced the new selection. Wayland has no
// clipboard manager: when this object goes while it owns the clipboard, the compositor clears
// the clipboard with its source, and a watcher of ours (or any clipboard manager the user runs)
// restores it.
// Reader: owner(), generation() and fetch() on the offer the compositor announced last.
// Watcher: watch() reports every new selection to a handler on a worker thread, changes that
// come faster than the handler coalesced.
class WaylandDataControlClipboard : public SystemClipboard {
  public:
    struct Options {
        std::string display;  // $WAYLAND_DISPLAY when empty; a name or an absolute socket path
        // Longest wait for the compositor or another client to go on: a confirmation, the next
        // bytes of an answer, a reader taking the next bytes of ours.
        std::chrono::milliseconds timeout{1000};
        // Longest a whole fetch, and a whole answer to one reader, may take.
        std::chrono::milliseconds budget{10000};
    };
    enum class Protocol { Ext, Wlr };

    static constexpr size_t kMaxBytes = size_t{256} << 20;
    // Offered types beyond this many are not read.
    static constexpr size_t kMaxTypes = 64;

    // Nothing without a display, when it can't be reached, or when the compositor has no seat
    // or no data-control.
    static std::unique_ptr<WaylandDataControlClipboard> open(Options options);
    static std::unique_ptr<WaylandDataControlClipboard> open() { return open(Options{}); }
    ~WaylandDataControlClipboard() override;
    WaylandDataControlClipboard(const WaylandDataControlClipboard&) = delete;
    WaylandDataControlClipboard& operator=(const WaylandDataControlClipboard&) = delete;

    Protocol protocol() const { return protocol_; }
    // The manager's interface name and version, for the log.
    std::string protocolName() const;

    bool claim(std::vector<PasteboardItem> items) override;
    Owner owner() override;
    Generation generation() override;
    std::optional<PasteboardItem> fetch(Generation* from) override;
    bool watch(ChangeHandler handler) override;
    bool waitForChanges(std::chrono::milliseconds bound) override;
    void stopWatching() override;

  private:
    struct Offer {
        wl_proxy* proxy = nullptr;
        std::vector<std::string> mimeTypes;
    };
    struct Source {
        wl_proxy* proxy = nullptr;
        uint64_t serial = 0;
        std::shared_ptr<const std::vector<PasteboardItem>> items;
    };
    // One answer being written to a reader.
    struct Transfer {
        int fd = -1;
        std::shared_ptr<const std::string> data;
        size_t written = 0;
        std::chrono::steady_clock::time_point idleUntil, doneBy;
    };
    // Gone: the offer was replaced before it answered.
    enum class Read { Done, Refused, TimedOut, Gone };

    WaylandDataControlClipboard(wl_display* display, Options options);
    bool connect();
    void run();
    void work();
    // With mutex_ held.
    bool flushLocked();
    void wake();
    void destroyOffer(wl_proxy* offer);
    void destroySource(uint64_t serial);
    bool sync(std::unique_lock<std::mutex>& lock);
    Owner ownerLocked() const;
    // Writes what the reader takes without waiting; false once the transfer is over.
    bool pump(Transfer& transfer);
    Read receive(Generation generation, const std::string& mime, std::string& out,
                 std::chrono::steady_clock::time_point fetchDeadline, size_t& bytes);

    // The protocol's events, on the event thread with mutex_ held.
    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void onGlobalRemove(void*, wl_registry*, uint32_t) {}
    static void onDataOffer(void* data, wl_proxy* device, wl_proxy* offer);
    static void onSelection(void* data, wl_proxy* device, wl_proxy* offer);
    static void onFinished(void* data, wl_proxy* device);
    static void onPrimarySelection(void* data, wl_proxy* device, wl_proxy* offer);
    static void onOfferMimeType(void* data, wl_proxy* offer, const char* mime);
    static void onSend(void* data, wl_proxy* source, const char* mime, int32_t fd);
    static void onCancelled(void* data, wl_proxy* source);
    static void onSyncDone(void* data, wl_callback* callback, uint32_t serial);

    Options options_;
    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wl_proxy* device_ = nullptr;
    Protocol protocol_ = Protocol::Ext;
    uint32_t managerVersion_ = 0;
    int wakePipe_[2] = {-1, -1};

    // Guards every request and the state below; the event thread holds it while dispatching.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::mutex claiming_;  // one claim at a time
    std::mutex fetching_;  // one fetch at a time
    std::map<wl_proxy*, Offer> offers_;
    wl_proxy* selection_ = nullptr;
    Generation generation_ = 0, selections_ = 0;
    std::map<uint64_t, Source> sources_;
    uint64_t current_ = 0, sourceSerials_ = 0;
    // The serial of the last source the compositor announced as the selection.
    uint64_t announcedSource_ = 0;
    std::vector<Transfer> transfers_;
    std::vector<wl_callback*> pendingSyncs_;
    uint64_t syncsSent_ = 0, syncsDone_ = 0;
    bool broken_ = false;
    bool stopping_ = false;
    bool stopWatching_ = false;
    ChangeHandler handler_;
    uint64_t announced_ = 0, handled_ = 0;

    std::thread events_;
    std::thread worker_;
};

}  // namespace platform
