#include "platform/linux/wayland/WaylandDataControlClipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/linux/wayland/WaylandClipboardTypes.h"
#include "platform/linux/wayland/WaylandRoundtrip.h"
#include "protocols/ext-data-control-v1-client.h"
#include "protocols/wlr-data-control-unstable-v1-client.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// The two protocols are the same on the wire: one code path sends the same opcodes and reads
// the same events, only the interfaces new objects are made with differ.
static_assert(EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE ==
                  ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE &&
              EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE ==
                  ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE &&
              EXT_DATA_CONTROL_MANAGER_V1_DESTROY == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION ==
                  ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION &&
              EXT_DATA_CONTROL_DEVICE_V1_DESTROY == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER &&
              EXT_DATA_CONTROL_SOURCE_V1_DESTROY == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE &&
              EXT_DATA_CONTROL_OFFER_V1_DESTROY == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);

struct Interfaces {
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    uint32_t maxVersion;  // the newest we speak
};
constexpr Interfaces kExt{&ext_data_control_manager_v1_interface,
                          &ext_data_control_device_v1_interface,
                          &ext_data_control_source_v1_interface, 1};
constexpr Interfaces kWlr{&zwlr_data_control_manager_v1_interface,
                          &zwlr_data_control_device_v1_interface,
                          &zwlr_data_control_source_v1_interface, 2};

// The events of both protocols, with plain proxies for either's objects.
struct DeviceListener {
    void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
    void (*selection)(void*, wl_proxy*, wl_proxy*);
    void (*finished)(void*, wl_proxy*);
    void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
};
struct SourceListener {
    void (*send)(void*, wl_proxy*, const char*, int32_t);
    void (*cancelled)(void*, wl_proxy*);
};
struct OfferListener {
    void (*offer)(void*, wl_proxy*, const char*);
};
static_assert(sizeof(DeviceListener) == sizeof(ext_data_control_device_v1_listener) &&
              sizeof(DeviceListener) == sizeof(zwlr_data_control_device_v1_listener));
static_assert(sizeof(SourceListener) == sizeof(ext_data_control_source_v1_listener) &&
              sizeof(SourceListener) == sizeof(zwlr_data_control_source_v1_listener));
static_assert(sizeof(OfferListener) == sizeof(ext_data_control_offer_v1_listener) &&
              sizeof(OfferListener) == sizeof(zwlr_data_control_offer_v1_listener));

void listen(wl_proxy* proxy, const void* listener, void* data) {
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<void*>(listener)),
                          data);
}

void destroyProxy(wl_proxy* proxy, uint32_t opcode) {
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy),
                           WL_MARSHAL_FLAG_DESTROY);
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 60'000));
}

// A reader that went away leaves a SIGPIPE pending on the event thread, which blocks it.
void discardBrokenPipe() {
    sigset_t pending;
    int taken = 0;
    while (sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigwait(&pipe, &taken);
    }
}

}  // namespace

std::unique_ptr<WaylandDataControlClipboard> WaylandDataControlClipboard::open(Options options) {
    if (options.display.empty())
        if (const char* name = std::getenv("WAYLAND_DISPLAY")) options.display = name;
    if (options.display.empty()) return nullptr;
    wl_display* display = wl_display_connect(options.display.c_str());
    if (!display) return nullptr;
    std::unique_ptr<WaylandDataControlClipboard> clipboard(
        new WaylandDataControlClipboard(display, std::move(options)));
    if (!clipboard->connect()) return nullptr;
    return clipboard;
}

WaylandDataControlClipboard::WaylandDataControlClipboard(wl_display* display, Options options)
    : options_(std::move(options)), display_(display) {}

namespace {

struct Globals {
    uint32_t seat = 0, ext = 0, wlr = 0, wlrVersion = 0;
};

}  // namespace

void WaylandDataControlClipboard::onGlobal(void* data, wl_registry*, uint32_t name,
                                           const char* interface, uint32_t version) {
    auto& globals = *static_cast<Globals*>(data);
    const std::string_view found(interface);
    if (found == wl_seat_interface.name && globals.seat == 0) globals.seat = name;
    if (found == kExt.manager->name) globals.ext = name;
    if (found == kWlr.manager->name) {
        globals.wlr = name;
        globals.wlrVersion = version;
    }
}

bool WaylandDataControlClipboard::connect() {
    static const wl_registry_listener registryListener{&onGlobal, &onGlobalRemove};
    static const DeviceListener deviceListener{&onDataOffer, &onSelection, &onFinished,
                                               &onPrimarySelection};
    std::unique_lock lock(mutex_);
    Globals globals;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, &globals);
    if (!roundtripWithin(display_, options_.timeout) || globals.seat == 0 ||
        (globals.ext == 0 && globals.wlr == 0))
        return false;
    seat_ = static_cast<wl_seat*>(wl_registry_bind(registry_, globals.seat, &wl_seat_interface, 1));
    const bool ext = globals.ext != 0;
    protocol_ = ext ? Protocol::Ext : Protocol::Wlr;
    const Interfaces& interfaces = ext ? kExt : kWlr;
    managerVersion_ = ext ? 1 : std::min(globals.wlrVersion, interfaces.maxVersion);
    manager_ = static_cast<wl_proxy*>(wl_registry_bind(registry_, ext ? globals.ext : globals.wlr,
                                                       interfaces.manager, managerVersion_));
    // Globals coming later are of no interest; what was bound stays.
    wl_registry_destroy(registry_);
    registry_ = nullptr;
    device_ = wl_proxy_marshal_flags(manager_, EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE,
                                     interfaces.device, managerVersion_, 0, nullptr, seat_);
    listen(device_, &deviceListener, this);
    // The selection standing now comes before the roundtrip's end.
    if (!roundtripWithin(display_, options_.timeout)) return false;
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    events_ = std::thread([this] { run(); });
    return true;
}

WaylandDataControlClipboard::~WaylandDataControlClipboard() {
    stopWatching();
    if (events_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake();
        events_.join();
    }
    // Our source goes with the connection and the compositor clears the clipboard if it still
    // held it: Wayland has no clipboard manager to hand it to. A watcher of ours restores it.
    for (auto& transfer : transfers_) ::close(transfer.fd);
    for (auto& [proxy, offer] : offers_) destroyProxy(proxy, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
    for (auto& [serial, source] : sources_)
        destroyProxy(source.proxy, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
    for (wl_callback* callback : pendingSyncs_) wl_callback_destroy(callback);
    if (device_) destroyProxy(device_, EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
    if (manager_) destroyProxy(manager_, EXT_DATA_CONTROL_MANAGER_V1_DESTROY);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
    for (int fd : wakePipe_)
        if (fd >= 0) ::close(fd);
}

std::string WaylandDataControlClipboard::protocolName() const {
    const Interfaces& interfaces = protocol_ == Protocol::Ext ? kExt : kWlr;
    return std::string(interfaces.manager->name) + " version " + std::to_string(managerVersion_);
}

void WaylandDataControlClipboard::wake() {
    const char byte = 1;
    // A full pipe already wakes the thread.
    [[maybe_unused]] auto written = ::write(wakePipe_[1], &byte, 1);
}

bool WaylandDataControlClipboard::flushLocked() {
    if (broken_) return false;
    if (wl_display_flush(display_) >= 0) return true;
    if (errno == EAGAIN) {
        // The socket is full: the event thread writes the rest as it drains.
        wake();
        return true;
    }
    broken_ = true;
    changed_.notify_all();
    return false;
}

void WaylandDataControlClipboard::run() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const int displayFd = wl_display_get_fd(display_);
    std::unique_lock lock(mutex_);
    const auto breakDown = [&] {
        broken_ = true;
        if (handler_) ++announced_;
        changed_.notify_all();
    };
    // Going away, the answers under way are still finished, within one budget: a clipboard
    // manager reading what a short-lived program of ours copied must get all of it.
    std::optional<Clock::time_point> stopBy;
    while (!broken_) {
        if (stopping_) {
            if (transfers_.empty()) break;
            if (!stopBy) stopBy = Clock::now() + options_.budget;
            if (Clock::now() >= *stopBy) break;
        }
        bool failed = false;
        while (wl_display_prepare_read(display_) != 0)
            if (wl_display_dispatch_pending(display_) < 0) {
                failed = true;
                break;
            }
        if (failed) {
            breakDown();
            break;
        }
        bool unsent = false;
        if (wl_display_flush(display_) < 0) {
            if (errno != EAGAIN) {
                wl_display_cancel_read(display_);
                breakDown();
                break;
            }
            unsent = true;
        }
        std::vector<pollfd> fds{{displayFd, static_cast<short>(POLLIN | (unsent ? POLLOUT : 0)), 0},
                                {wakePipe_[0], POLLIN, 0}};
        auto next = Clock::time_point::max();
        for (const auto& transfer : transfers_) {
            fds.push_back({transfer.fd, POLLOUT, 0});
            next = std::min({next, transfer.idleUntil, transfer.doneBy});
        }
        const int wait = next == Clock::time_point::max() ? -1 : millisecondsUntil(next);
        lock.unlock();
        const int ready = ::poll(fds.data(), fds.size(), wait);
        lock.lock();
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            if (wl_display_read_events(display_) < 0) {
                breakDown();
                break;
            }
        } else {
            wl_display_cancel_read(display_);
        }
        if (wl_display_dispatch_pending(display_) < 0) {
            breakDown();
            break;
        }
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        }
        // Answers go on as their readers take them; a reader that stalls or takes too long
        // gets the end of its pipe.
        const auto now = Clock::now();
        std::erase_if(transfers_, [&](Transfer& transfer) {
            const bool going = now < transfer.idleUntil && now < transfer.doneBy && pump(transfer);
            if (!going) ::close(transfer.fd);
            return !going;
        });
    }
    // Nobody will write the rest.
    for (auto& transfer : transfers_) ::close(transfer.fd);
    transfers_.clear();
}

bool WaylandDataControlClipboard::pump(Transfer& transfer) {
    const std::string& data = *transfer.data;
    while (transfer.written < data.size()) {
        const ssize_t n =
            ::write(transfer.fd, data.data() + transfer.written, data.size() - transfer.written);
        if (n > 0) {
            transfer.written += static_cast<size_t>(n);
            transfer.idleUntil = Clock::now() + options_.timeout;
        } else if (n < 0 && errno == EAGAIN) {
            return true;
        } else if (n < 0 && errno != EINTR) {
            if (errno == EPIPE) discardBrokenPipe();
            return false;
        }
    }
    return false;
}

void WaylandDataControlClipboard::onDataOffer(void* data, wl_proxy*, wl_proxy* offer) {
    static const OfferListener offerListener{&onOfferMimeType};
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    listen(offer, &offerListener, &self);
    self.offers_[offer].proxy = offer;
}

void WaylandDataControlClipboard::onOfferMimeType(void* data, wl_proxy* offer, const char* mime) {
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    auto& types = self.offers_[offer].mimeTypes;
    // A client listing a type again, or thousands of them, costs nothing more.
    if (types.size() < 4 * kMaxTypes && std::find(types.begin(), types.end(), mime) == types.end())
        types.emplace_back(mime);
}

void WaylandDataControlClipboard::destroyOffer(wl_proxy* offer) {
    offers_.erase(offer);
    destroyProxy(offer, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
}

void WaylandDataControlClipboard::onSelection(void* data, wl_proxy*, wl_proxy* offer) {
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    if (self.selection_ && self.selection_ != offer) self.destroyOffer(self.selection_);
    self.selection_ = offer;
    self.generation_ = offer ? ++self.selections_ : 0;
    self.announcedSource_ = 0;
    if (offer)
        for (const auto& mime : self.offers_[offer].mimeTypes)
            if (const auto marker = WaylandClipboardTypes::parseOwnerMarker(mime);
                marker && marker->pid == ::getpid())
                self.announcedSource_ = marker->source;
    if (self.handler_) ++self.announced_;
    self.changed_.notify_all();
}

void WaylandDataControlClipboard::onPrimarySelection(void* data, wl_proxy*, wl_proxy* offer) {
    // The primary selection is not ours to mirror.
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    if (offer && offer != self.selection_) self.destroyOffer(offer);
}

void WaylandDataControlClipboard::onFinished(void* data, wl_proxy* device) {
    // The seat went away: no clipboard to serve from here on.
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    if (self.selection_) self.destroyOffer(self.selection_);
    self.selection_ = nullptr;
    self.generation_ = 0;
    destroyProxy(device, EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
    self.device_ = nullptr;
    if (self.handler_) ++self.announced_;
    self.changed_.notify_all();
}

void WaylandDataControlClipboard::onSend(void* data, wl_proxy* proxy, const char* mime,
                                         int32_t fd) {
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    const auto found = std::find_if(self.sources_.begin(), self.sources_.end(),
                                    [&](const auto& s) { return s.second.proxy == proxy; });
    std::shared_ptr<const std::string> answer;
    if (found != self.sources_.end()) {
        const std::string_view asked(mime);
        if (WaylandClipboardTypes::parseOwnerMarker(asked)) {
            answer = std::make_shared<const std::string>(std::to_string(::getpid()));
        } else {
            for (const auto& item : *found->second.items) {
                for (const auto& entry : item.entries) {
                    if (!entry.data) continue;
                    const auto mimes = WaylandClipboardTypes::mimeTypesForType(entry.type);
                    if (std::find(mimes.begin(), mimes.end(), asked) == mimes.end()) continue;
                    answer = std::make_shared<const std::string>(
                        WaylandClipboardTypes::dataForMimeType(asked, entry.type, *entry.data));
                    break;
                }
                if (answer) break;
            }
        }
    }
    if (!answer) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const auto now = Clock::now();
    Transfer transfer{fd, std::move(answer), 0, now + self.options_.timeout,
                      now + self.options_.budget};
    if (self.pump(transfer))
        self.transfers_.push_back(std::move(transfer));
    else
        ::close(fd);
}

void WaylandDataControlClipboard::onCancelled(void* data, wl_proxy* proxy) {
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    std::erase_if(self.sources_, [&](const auto& s) { return s.second.proxy == proxy; });
    destroyProxy(proxy, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
    self.changed_.notify_all();
}

void WaylandDataControlClipboard::destroySource(uint64_t serial) {
    const auto found = sources_.find(serial);
    if (found == sources_.end()) return;
    destroyProxy(found->second.proxy, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
    sources_.erase(found);
}

void WaylandDataControlClipboard::onSyncDone(void* data, wl_callback* callback, uint32_t) {
    auto& self = *static_cast<WaylandDataControlClipboard*>(data);
    std::erase(self.pendingSyncs_, callback);
    wl_callback_destroy(callback);
    ++self.syncsDone_;
    self.changed_.notify_all();
}

bool WaylandDataControlClipboard::sync(std::unique_lock<std::mutex>& lock) {
    static const wl_callback_listener syncListener{&onSyncDone};
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &syncListener, this);
    pendingSyncs_.push_back(callback);
    const uint64_t target = ++syncsSent_;
    if (!flushLocked()) return false;
    return changed_.wait_for(lock, options_.timeout, [&] {
        return broken_ || syncsDone_ >= target;
    }) && !broken_;
}

bool WaylandDataControlClipboard::claim(std::vector<PasteboardItem> items) {
    static const SourceListener sourceListener{&onSend, &onCancelled};
    std::lock_guard claiming(claiming_);
    std::unique_lock lock(mutex_);
    if (broken_ || !device_) return false;
    wl_proxy* proxy = nullptr;
    uint64_t serial = 0;
    if (!items.empty()) {
        const Interfaces& interfaces = protocol_ == Protocol::Ext ? kExt : kWlr;
        serial = ++sourceSerials_;
        proxy = wl_proxy_marshal_flags(manager_, EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE,
                                       interfaces.source, managerVersion_, 0, nullptr);
        listen(proxy, &sourceListener, this);
        std::vector<std::string> offered;
        for (const auto& item : items)
            for (const auto& entry : item.entries) {
                if (!entry.data) continue;
                for (auto& mime : WaylandClipboardTypes::mimeTypesForType(entry.type))
                    if (std::find(offered.begin(), offered.end(), mime) == offered.end())
                        offered.push_back(std::move(mime));
            }
        offered.push_back(WaylandClipboardTypes::ownerMarker(::getpid(), serial));
        for (const auto& mime : offered)
            wl_proxy_marshal_flags(proxy, EXT_DATA_CONTROL_SOURCE_V1_OFFER, nullptr,
                                   managerVersion_, 0, mime.c_str());
        sources_[serial] = {proxy, serial,
                            std::make_shared<const std::vector<PasteboardItem>>(std::move(items))};
    }
    wl_proxy_marshal_flags(device_, EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr,
                           managerVersion_, 0, proxy);
    current_ = serial;
    // The compositor announces the selection it took to every data-control client, us too,
    // before it answers a request sent after set_selection. Our source cancelled instead, or
    // nothing announced, and the write did not happen.
    const auto taken = [&] {
        return serial ? announcedSource_ == serial && sources_.contains(serial)
                      : selection_ == nullptr;
    };
    bool confirmed = sync(lock) && (taken() || changed_.wait_for(lock, options_.timeout, [&] {
                         return broken_ || taken() || (serial && !sources_.contains(serial));
                     }));
    confirmed = confirmed && !broken_ && taken();
    if (!confirmed && serial) {
        // It must not become the clipboard later either.
        destroySource(serial);
        flushLocked();
    }
    return confirmed;
}

WaylandDataControlClipboard::Owner WaylandDataControlClipboard::ownerLocked() const {
    if (broken_ || !selection_) return Owner::None;
    const auto found = offers_.find(selection_);
    if (found == offers_.end()) return Owner::Foreign;
    for (const auto& mime : found->second.mimeTypes) {
        const auto marker = WaylandClipboardTypes::parseOwnerMarker(mime);
        if (!marker) continue;
        const bool current = marker->pid == ::getpid() && current_ != 0 &&
                             marker->source == current_ && sources_.contains(current_);
        return current ? Owner::This : Owner::Ours;
    }
    return Owner::Foreign;
}

WaylandDataControlClipboard::Owner WaylandDataControlClipboard::owner() {
    std::lock_guard lock(mutex_);
    return ownerLocked();
}

SystemClipboard::Generation WaylandDataControlClipboard::generation() {
    std::lock_guard lock(mutex_);
    return broken_ ? 0 : generation_;
}

WaylandDataControlClipboard::Read WaylandDataControlClipboard::receive(
    Generation generation, const std::string& mime, std::string& out,
    Clock::time_point fetchDeadline, size_t& bytes) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return Read::Refused;
    // Only our end waits without blocking; the writer's end stays as writers expect it.
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    {
        std::lock_guard lock(mutex_);
        if (broken_ || !selection_ || generation_ != generation) {
            ::close(ends[0]);
            ::close(ends[1]);
            return Read::Gone;
        }
        wl_proxy_marshal_flags(selection_, EXT_DATA_CONTROL_OFFER_V1_RECEIVE, nullptr,
                               managerVersion_, 0, mime.c_str(), ends[1]);
        flushLocked();
    }
    // The request holds its own copy of the descriptor: ours would keep the pipe open.
    ::close(ends[1]);
    Read outcome = Read::TimedOut;
    char buffer[64 * 1024];
    for (;;) {
        pollfd fd{ends[0], POLLIN, 0};
        const auto deadline = std::min(Clock::now() + options_.timeout, fetchDeadline);
        const int ready = ::poll(&fd, 1, millisecondsUntil(deadline));
        if (ready == 0) break;
        if (ready < 0 && errno != EINTR) {
            outcome = Read::Refused;
            break;
        }
        const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
        if (n == 0) {
            outcome = Read::Done;
            break;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            outcome = Read::Refused;
            break;
        }
        if (static_cast<size_t>(n) > kMaxBytes - bytes) break;
        bytes += static_cast<size_t>(n);
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(ends[0]);
    // An offer replaced meanwhile answers with nothing: that is no data of the old owner.
    std::lock_guard lock(mutex_);
    if (broken_ || generation_ != generation) return Read::Gone;
    return outcome;
}

std::optional<PasteboardItem> WaylandDataControlClipboard::fetch(Generation* from) {
    std::lock_guard fetching(fetching_);
    Generation generation = 0;
    std::vector<std::string> mimes;
    {
        std::lock_guard lock(mutex_);
        if (!broken_ && selection_) {
            generation = generation_;
            for (const auto& mime : offers_[selection_].mimeTypes)
                if (!WaylandClipboardTypes::parseOwnerMarker(mime) && mimes.size() < kMaxTypes)
                    mimes.push_back(mime);
        }
    }
    if (from) *from = generation;
    if (generation == 0) return std::nullopt;

    const auto deadline = Clock::now() + options_.budget;
    size_t bytes = 0;
    PasteboardItem item;
    Read outcome = Read::Done;
    const auto tryType = [&](const std::string& mime) {
        std::string data;
        outcome = receive(generation, mime, data, deadline, bytes);
        if (outcome != Read::Done) return false;
        const auto type = WaylandClipboardTypes::typeForMimeType(mime);
        if (!type) return false;
        auto converted = WaylandClipboardTypes::dataFromMimeType(mime, std::move(data));
        return converted && item.setData(std::move(*converted), *type);
    };
    // An owner that let one type time out is not asked anything more.
    const auto givenUp = [&] { return outcome == Read::TimedOut || outcome == Read::Gone; };
    for (const auto& mime : WaylandClipboardTypes::textMimeTypesByPreference()) {
        if (std::find(mimes.begin(), mimes.end(), mime) == mimes.end()) continue;
        if (tryType(mime) || givenUp()) break;
    }
    for (const auto& mime : mimes) {
        if (givenUp()) break;
        const auto type = WaylandClipboardTypes::typeForMimeType(mime);
        if (!type || item.hasType(*type)) continue;
        tryType(mime);
    }
    // A new owner took over meanwhile, or the owner was given up on before it gave anything:
    // neither is the contents of the owner asked.
    if (outcome == Read::Gone || (outcome == Read::TimedOut && item.entries.empty()))
        return std::nullopt;
    return item;
}

bool WaylandDataControlClipboard::watch(ChangeHandler handler) {
    if (!handler) return false;
    std::lock_guard lock(mutex_);
    if (handler_) return true;
    if (broken_) return false;
    handler_ = std::move(handler);
    // The state found at the start counts as the first change.
    ++announced_;
    worker_ = std::thread([this] { work(); });
    return true;
}

void WaylandDataControlClipboard::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopWatching_ || announced_ != handled_; });
        if (stopWatching_) return;
        const uint64_t target = announced_;
        const Owner now = ownerLocked();
        lock.unlock();
        handler_(now);
        lock.lock();
        handled_ = target;
        changed_.notify_all();
    }
}

bool WaylandDataControlClipboard::waitForChanges(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    if (!handler_) return true;
    const uint64_t target = announced_;
    return changed_.wait_for(lock, bound, [&] { return stopWatching_ || handled_ >= target; });
}

void WaylandDataControlClipboard::stopWatching() {
    {
        std::lock_guard lock(mutex_);
        stopWatching_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

}  // namespace platform
