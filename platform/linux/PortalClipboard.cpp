#include "platform/linux/PortalClipboard.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/core/Log.h"
#include "platform/linux/x11/X11ClipboardTypes.h"
#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

bool contains(const std::vector<std::string>& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Our processes' offers carry the marker, some with parameters naming the offer.
bool isMarker(std::string_view mime) {
    return mime.starts_with(PortalClipboard::kOwnerMarker);
}

// Names Wayland carries: MIME types. The X names of text (UTF8_STRING…) are Xwayland's to make.
bool isMimeType(std::string_view target) {
    return target.find('/') != std::string_view::npos;
}

}  // namespace

PortalClipboard::PortalClipboard(PortalRemoteDesktop& session, Options options)
    : session_(session), options_(options) {
    selection_ = session_.selection();
    session_.setClipboardHandlers(
        [this](const PortalRemoteDesktop::Selection& s) { ownerChanged(s); },
        [this](const std::string& mimeType) { return dataFor(mimeType); });
}

PortalClipboard::~PortalClipboard() {
    stopWatching();
    session_.setClipboardHandlers({}, {});
}

std::vector<std::string> PortalClipboard::mimeTypesFor(const std::vector<PasteboardItem>& items) {
    std::vector<std::string> types;
    if (!items.empty()) {
        for (const auto& entry : items.front().entries) {
            if (!entry.data) continue;
            for (const auto& target : X11ClipboardTypes::targetsForType(entry.type)) {
                if (isMimeType(target) && !contains(types, target)) types.push_back(target);
            }
        }
    }
    types.emplace_back(kOwnerMarker);
    return types;
}

bool PortalClipboard::claim(std::vector<PasteboardItem> items) {
    std::lock_guard claimLock(claiming_);
    const std::vector<std::string> types = mimeTypesFor(items);
    uint64_t before = 0;
    {
        std::lock_guard lock(mutex_);
        // In place before the offer: the portal may ask for the data before it confirms.
        contents_ = std::make_shared<const std::vector<PasteboardItem>>(std::move(items));
        before = selection_.changes;
    }
    if (!session_.setSelection(types)) return false;
    std::unique_lock lock(mutex_);
    // Any announcement naming this session after the offer confirms it, even when another
    // client took the clipboard again since.
    const bool confirmed =
        changed_.wait_for(lock, options_.confirmBound, [&] { return confirmedChange_ > before; });
    if (!confirmed)
        log("Remote desktop portal: the desktop did not confirm the clipboard was taken");
    return confirmed;
}

void PortalClipboard::ownerChanged(const PortalRemoteDesktop::Selection& selection) {
    std::lock_guard lock(mutex_);
    selection_ = selection;
    if (selection.sessionIsOwner) confirmedChange_ = selection.changes;
    changed_.notify_all();
}

SystemClipboard::Owner PortalClipboard::ownerOf(const PortalRemoteDesktop::Selection& selection) {
    if (selection.sessionIsOwner) return Owner::This;
    if (selection.mimeTypes.empty()) return Owner::None;
    const bool marked = std::any_of(selection.mimeTypes.begin(), selection.mimeTypes.end(),
                                    [](const std::string& m) { return isMarker(m); });
    return marked ? Owner::Ours : Owner::Foreign;
}

SystemClipboard::Owner PortalClipboard::owner() {
    std::lock_guard lock(mutex_);
    return ownerOf(selection_);
}

SystemClipboard::Generation PortalClipboard::generation() {
    std::lock_guard lock(mutex_);
    return ownerOf(selection_) == Owner::None ? 0 : selection_.changes;
}

std::optional<std::string> PortalClipboard::dataFor(const std::string& mimeType) {
    if (mimeType == kOwnerMarker) return std::to_string(::getpid());
    std::shared_ptr<const std::vector<PasteboardItem>> contents;
    {
        std::lock_guard lock(mutex_);
        contents = contents_;
    }
    if (!contents || contents->empty()) return std::nullopt;
    for (const auto& entry : contents->front().entries) {
        if (entry.data && contains(X11ClipboardTypes::targetsForType(entry.type), mimeType))
            return X11ClipboardTypes::dataForTarget(mimeType, entry.type, *entry.data);
    }
    return std::nullopt;
}

std::optional<PasteboardItem> PortalClipboard::fetch(Generation* from) {
    PortalRemoteDesktop::Selection selection;
    std::shared_ptr<const std::vector<PasteboardItem>> contents;
    {
        std::lock_guard lock(mutex_);
        selection = selection_;
        contents = contents_;
    }
    const Owner owner = ownerOf(selection);
    if (from) *from = owner == Owner::None ? 0 : selection.changes;
    if (owner == Owner::None) return std::nullopt;
    // The portal does not read a session's own offer back to it.
    if (owner == Owner::This)
        return contents && !contents->empty() ? contents->front() : PasteboardItem{};

    // One MIME type per stored type: the best text type, else the first that maps.
    std::vector<std::pair<std::string, std::string>> reads;  // type, MIME type
    const auto& textOrder = X11ClipboardTypes::textTargetsByPreference();
    for (const std::string& mime : textOrder) {
        if (contains(selection.mimeTypes, mime)) {
            reads.emplace_back(PasteboardTypes::kString, mime);
            break;
        }
    }
    for (const std::string& mime : selection.mimeTypes) {
        if (isMarker(mime)) continue;
        const auto type = X11ClipboardTypes::typeForTarget(mime);
        if (!type) continue;
        const bool known = std::any_of(reads.begin(), reads.end(),
                                       [&](const auto& r) { return r.first == *type; });
        if (!known) reads.emplace_back(*type, mime);
    }
    if (reads.size() > kMaxTypes) reads.resize(kMaxTypes);
    PasteboardItem item;
    bool answered = reads.empty();
    const auto budgetEnd = Clock::now() + kFetchBudget;
    size_t bytesLeft = kMaxBytes;
    for (const auto& [type, mime] : reads) {
        bool timedOut = false;
        auto data =
            read(mime, std::min(budgetEnd, Clock::now() + options_.readBound), bytesLeft, timedOut);
        // An owner that stalled is asked nothing more.
        if (timedOut) break;
        if (!data) continue;
        bytesLeft -= data->size();
        answered = true;
        if (auto converted = X11ClipboardTypes::dataFromTarget(mime, std::move(*data)))
            item.setData(std::move(*converted), type);
    }
    if (!answered) return std::nullopt;
    return item;
}

std::optional<std::string> PortalClipboard::read(const std::string& mimeType,
                                                 std::chrono::steady_clock::time_point deadline,
                                                 size_t limit, bool& timedOut) {
    UniqueFd fd = session_.selectionRead(mimeType);
    if (!fd.valid()) return std::nullopt;
    std::string data;
    char buffer[65536];
    while (true) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            return std::nullopt;
        }
        pollfd p{fd.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) return std::nullopt;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) return data;
        if (n > 0) {
            if (static_cast<size_t>(n) > limit - data.size()) return std::nullopt;  // too large
            data.append(buffer, static_cast<size_t>(n));
        } else if (errno != EINTR && errno != EAGAIN) {
            return std::nullopt;
        }
    }
}

bool PortalClipboard::watch(ChangeHandler handler) {
    using State = PortalRemoteDesktop::State;
    const State state = session_.state();
    if (state != State::Starting && !(state == State::Started && session_.clipboardEnabled()))
        return false;
    std::lock_guard lock(mutex_);
    if (watching_) return true;
    watching_ = true;
    stopWatching_ = false;
    handler_ = std::move(handler);
    handled_ = selection_.changes;
    watcher_ = std::thread([this] { runWatcher(); });
    return true;
}

void PortalClipboard::runWatcher() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stopWatching_ || selection_.changes > handled_; });
        if (stopWatching_) return;
        // Changes that came meanwhile are seen by this one run.
        const uint64_t target = selection_.changes;
        const Owner now = ownerOf(selection_);
        lock.unlock();
        handler_(now);
        lock.lock();
        handled_ = target;
        changed_.notify_all();
    }
}

bool PortalClipboard::waitForChanges(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    const uint64_t target = selection_.changes;
    return changed_.wait_for(lock, bound,
                             [&] { return !watching_ || stopWatching_ || handled_ >= target; });
}

void PortalClipboard::stopWatching() {
    {
        std::lock_guard lock(mutex_);
        if (!watching_) return;
        stopWatching_ = true;
        changed_.notify_all();
    }
    if (watcher_.joinable() && watcher_.get_id() != std::this_thread::get_id()) watcher_.join();
    std::lock_guard lock(mutex_);
    watching_ = false;
    handler_ = nullptr;
}

}  // namespace platform
