#include "platform/linux/MirroredPasteboardStore.h"

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

using Owner = SystemClipboard::Owner;

}  // namespace

MirroredPasteboardStore::MirroredPasteboardStore(std::shared_ptr<PasteboardStore> files,
                                                 std::unique_ptr<SystemClipboard> clipboard,
                                                 Mode mode, bool claimForOthers)
    : files_(std::move(files)),
      clipboard_(std::move(clipboard)),
      mode_(mode),
      claimForOthers_(claimForOthers) {
    if (mode_ == Mode::Watching && !clipboard_->watch([this](Owner owner) { ownerChanged(owner); }))
        mode_ = Mode::Plain;
}

MirroredPasteboardStore::~MirroredPasteboardStore() {
    // The watcher's handler uses the store and the clipboard: it ends first.
    clipboard_->stopWatching();
}

bool MirroredPasteboardStore::isGeneral(const std::string& name) {
    return name == Pasteboard::kGeneralName;
}

void MirroredPasteboardStore::ownerChanged(Owner owner) {
    if (owner == Owner::Foreign) {
        // Every copy is new contents, even of the same text: a copy must move the count.
        SystemClipboard::Generation from = 0;
        auto item = clipboard_->fetch(&from);
        if (!item) return;
        std::vector<PasteboardItem> items;
        if (!item->entries.empty()) items.push_back(std::move(*item));
        // The fetch took a while: contents written here meanwhile took the clipboard and are
        // newer than what was fetched. They can't be written while the claim lock is held.
        std::lock_guard lock(claiming_);
        if (clipboard_->generation() != from) return;
        auto stored = files_->replace(std::string(Pasteboard::kGeneralName), std::move(items));
        if (stored.ok())
            mirrored_ = *stored;
        else
            log("Clipboard: couldn't store a copy: " + stored.error().debugDescription());
    } else if (owner == Owner::None) {
        std::lock_guard lock(claiming_);
        if (clipboard_->generation() == 0) claimStored(false);
    }
}

bool MirroredPasteboardStore::claimStored(bool evenEmpty) {
    // Called with claiming_ held: the contents read are still the stored ones when claimed.
    auto snapshot = files_->read(std::string(Pasteboard::kGeneralName));
    if (!snapshot.ok() || (!evenEmpty && (*snapshot)->items.empty())) return true;
    if (!clipboard_->claim((*snapshot)->items)) return false;
    mirrored_ = (*snapshot)->changeCount;
    return true;
}

void MirroredPasteboardStore::importIfChanged() {
    if (clipboard_->owner() != Owner::Foreign) return;
    SystemClipboard::Generation from = 0;
    auto item = clipboard_->fetch(&from);
    if (!item) return;
    std::vector<PasteboardItem> items;
    if (!item->entries.empty()) items.push_back(std::move(*item));
    const auto fetched = sorted(items);
    std::lock_guard lock(claiming_);
    if (clipboard_->generation() != from) return;
    auto stored = files_->update(std::string(Pasteboard::kGeneralName),
                                 [&](std::vector<PasteboardItem>& current) {
                                     if (sorted(current) == fetched) return PasteboardEdit::None;
                                     current = std::move(items);
                                     return PasteboardEdit::NewContents;
                                 });
    if (!stored.ok()) log("Clipboard: couldn't store a copy: " + stored.error().debugDescription());
}

Result<PasteboardStore::Snapshot> MirroredPasteboardStore::read(const std::string& name) {
    if (!isGeneral(name)) return files_->read(name);
    if (mode_ == Mode::Watching) {
        if (!clipboard_->waitForChanges(kImportWait))
            log("Clipboard: a copy is still being read; reading what is stored");
        if (claimForOthers_) {
            std::lock_guard lock(claiming_);
            auto snapshot = files_->read(name);
            if (snapshot.ok() && (*snapshot)->changeCount != mirrored_ &&
                clipboard_->owner() != Owner::Ours && !claimStored(true))
                log("Clipboard: the desktop did not take contents written by another process");
            return snapshot;
        }
    } else {
        importIfChanged();
    }
    return files_->read(name);
}

Result<int64_t> MirroredPasteboardStore::update(const std::string& name, const Editor& edit) {
    if (!isGeneral(name)) return files_->update(name, edit);
    std::lock_guard lock(claiming_);
    PasteboardEdit done = PasteboardEdit::None;
    std::vector<PasteboardItem> before;
    auto count = files_->update(name, [&](std::vector<PasteboardItem>& items) {
        before = items;
        done = edit(items);
        return done;
    });
    if (!count.ok() || done == PasteboardEdit::None || claimStored(true)) return count;
    // What the desktop did not take is not kept either: readers would take it for the
    // clipboard's.
    auto restored = files_->update(name, [&](std::vector<PasteboardItem>& items) {
        items = std::move(before);
        return PasteboardEdit::Modify;
    });
    if (!restored.ok())
        log("Clipboard: couldn't put back what was stored: " + restored.error().debugDescription());
    return Error::other("The desktop did not take the clipboard's new contents", {},
                        Error::kFileWriteUnknown);
}

Status MirroredPasteboardStore::release(const std::string& name) {
    if (!isGeneral(name)) return files_->release(name);
    std::lock_guard lock(claiming_);
    Status status = files_->release(name);
    if (status.ok()) clipboard_->claim({});
    return status;
}

Result<std::string> MirroredPasteboardStore::makeUniqueName() {
    return files_->makeUniqueName();
}

}  // namespace platform
