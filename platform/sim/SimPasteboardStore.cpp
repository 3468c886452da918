#include "platform/sim/SimPasteboardStore.h"

#include <string>

namespace platform {

Result<PasteboardStore::Snapshot> SimPasteboardStore::read(const std::string& name) {
    std::lock_guard lock(mutex_);
    if (auto it = pasteboards_.find(name); it != pasteboards_.end()) return it->second;
    auto count = counts_.find(name);
    auto empty = std::make_shared<PasteboardContents>();
    empty->changeCount = count == counts_.end() ? 0 : count->second;
    return Snapshot(std::move(empty));
}

Result<int64_t> SimPasteboardStore::update(const std::string& name, const Editor& edit) {
    std::lock_guard lock(mutex_);
    int64_t& count = counts_[name];
    auto it = pasteboards_.find(name);
    std::vector<PasteboardItem> items;
    if (it != pasteboards_.end()) items = it->second->items;
    const PasteboardEdit what = edit(items);
    if (what == PasteboardEdit::None) return count;
    if (what == PasteboardEdit::NewContents) ++count;
    pasteboards_[name] =
        std::make_shared<const PasteboardContents>(PasteboardContents{count, std::move(items)});
    ++writes_;
    return count;
}

Status SimPasteboardStore::release(const std::string& name) {
    std::lock_guard lock(mutex_);
    pasteboards_.erase(name);
    return Ok{};
}

Result<std::string> SimPasteboardStore::makeUniqueName() {
    std::lock_guard lock(mutex_);
    return "Apple CFPasteboard unique-sim-" + std::to_string(++uniqueNames_);
}

std::vector<std::string> SimPasteboardStore::names() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [name, contents] : pasteboards_) out.push_back(name);
    return out;
}

size_t SimPasteboardStore::writeCount() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

}  // namespace platform
