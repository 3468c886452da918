#include "platform/linux/x11/X11PasteboardStore.h"

#include <algorithm>

#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"

namespace platform {

namespace {

// Items compared by their data per type: an owner may list the same types in another order.
std::vector<PasteboardItem> sorted(std::vector<PasteboardItem> items) {
    for (auto& item : items)
        std::sort(item.entries.begin(), item.entries.end(),
                  [](const auto& a, const auto& b) { return a.type < b.type; });
    return items;
}

}  // namespace

std::shared_ptr<PasteboardStore> X11PasteboardStore::mirror(std::shared_ptr<PasteboardStore> files,
                                                            Mode mode,
                                                            X11Clipboard::Options options) {
    auto clipboard = X11Clipboard::open(std::move(options));
    if (!clipboard) return files;
    return std::make_shared<X11PasteboardStore>(std::move(files), std::move(clipboard), mode);
}

Result<std::shared_ptr<PasteboardStore>> X11PasteboardStore::wrap(
    Result<std::shared_ptr<FilePasteboardStore>> files, Mode mode, X11Clipboard::Options options) {
    if (!files.ok()) return files.error();
    return mirror(std::move(files).value(), mode, std::move(options));
}

X11PasteboardStore::X11PasteboardStore(std::shared_ptr<PasteboardStore> files,
                                       std::unique_ptr<X11Clipboard> clipboard, Mode mode)
    : files_(std::move(files)), clipboard_(std::move(clipboard)), mode_(mode) {
    if (mode_ == Mode::Watching &&
        !clipboard_->watch([this](X11Clipboard::Owner owner) { ownerChanged(owner); }))
        mode_ = Mode::Plain;
}

X11PasteboardStore::~X11PasteboardStore() {
    // The watcher's handler uses the store and the clipboard: it ends first.
    clipboard_->stopWatching();
}

bool X11PasteboardStore::isGeneral(const std::string& name) {
    return name == Pasteboard::kGeneralName;
}

void X11PasteboardStore::ownerChanged(X11Clipboard::Owner owner) {
    if (owner == X11Clipboard::Owner::Foreign) {
        // Every copy is new contents, even of the same text: a copy must move the count.
        xcb_window_t from = XCB_NONE;
        auto item = clipboard_->fetch(&from);
        if (!item) return;
        std::vector<PasteboardItem> items;
        if (!item->entries.empty()) items.push_back(std::move(*item));
        // The fetch took a while: contents written here meanwhile took the clipboard and are
        // newer than what was fetched. They can't be written while the claim lock is held.
        std::lock_guard lock(claiming_);
        if (clipboard_->ownerWindow() != from) return;
        auto stored = files_->replace(std::string(Pasteboard::kGeneralName), std::move(items));
        if (!stored.ok())
            log("Clipboard: couldn't store a copy: " + stored.error().debugDescription());
    } else if (owner == X11Clipboard::Owner::None) {
        std::lock_guard lock(claiming_);
        if (clipboard_->ownerWindow() == XCB_NONE) claimStored(false);
    }
}

void X11PasteboardStore::claimStored(bool evenEmpty) {
    // Called with claiming_ held: the contents read are still the stored ones when claimed.
    auto snapshot = files_->read(std::string(Pasteboard::kGeneralName));
    if (snapshot.ok() && (evenEmpty || !(*snapshot)->items.empty()))
        clipboard_->claim((*snapshot)->items);
}

void X11PasteboardStore::importIfChanged() {
    if (clipboard_->owner() != X11Clipboard::Owner::Foreign) return;
    xcb_window_t from = XCB_NONE;
    auto item = clipboard_->fetch(&from);
    if (!item) return;
    std::vector<PasteboardItem> items;
    if (!item->entries.empty()) items.push_back(std::move(*item));
    const auto fetched = sorted(items);
    std::lock_guard lock(claiming_);
    if (clipboard_->ownerWindow() != from) return;
    auto stored = files_->update(std::string(Pasteboard::kGeneralName),
                                 [&](std::vector<PasteboardItem>& current) {
                                     if (sorted(current) == fetched) return PasteboardEdit::None;
                                     current = std::move(items);
                                     return PasteboardEdit::NewContents;
                                 });
    if (!stored.ok()) log("Clipboard: couldn't store a copy: " + stored.error().debugDescription());
}

Result<PasteboardStore::Snapshot> X11PasteboardStore::read(const std::string& name) {
    if (isGeneral(name)) {
        if (mode_ == Mode::Watching) {
            if (!clipboard_->waitForChanges(kImportWait))
                log("Clipboard: a copy is still being read; reading what is stored");
        } else {
            importIfChanged();
        }
    }
    return files_->read(name);
}

Result<int64_t> X11PasteboardStore::update(const std::string& name, const Editor& edit) {
    if (!isGeneral(name)) return files_->update(name, edit);
    std::lock_guard lock(claiming_);
    PasteboardEdit done = PasteboardEdit::None;
    auto count = files_->update(name, [&](std::vector<PasteboardItem>& items) {
        done = edit(items);
        return done;
    });
    if (count.ok() && done != PasteboardEdit::None) claimStored(true);
    return count;
}

Status X11PasteboardStore::release(const std::string& name) {
    if (!isGeneral(name)) return files_->release(name);
    std::lock_guard lock(claiming_);
    Status status = files_->release(name);
    if (status.ok()) clipboard_->claim({});
    return status;
}

Result<std::string> X11PasteboardStore::makeUniqueName() {
    return files_->makeUniqueName();
}

}  // namespace platform
