#include "platform/pasteboard/Pasteboard.h"

#include <algorithm>

#include "platform/core/Log.h"
#include "platform/core/Utf8.h"

namespace platform {

namespace {

const PasteboardItem::Entry* find(const PasteboardItem& item, std::string_view type) {
    const std::string t = PasteboardTypes::normalize(type);
    for (const auto& e : item.entries)
        if (e.type == t) return &e;
    return nullptr;
}

const PasteboardItem* firstItemWith(const PasteboardContents& contents, std::string_view type) {
    for (const auto& item : contents.items)
        if (find(item, type)) return &item;
    return nullptr;
}

PasteboardItem plainTextItem(std::string text) {
    return {{{std::string(PasteboardTypes::kString), std::move(text)}}};
}

}  // namespace

std::vector<std::string> PasteboardItem::types() const {
    std::vector<std::string> out;
    out.reserve(entries.size());
    for (const auto& e : entries) out.push_back(e.type);
    return out;
}

bool PasteboardItem::hasType(std::string_view type) const {
    return find(*this, type) != nullptr;
}

std::optional<std::string> PasteboardItem::dataForType(std::string_view type) const {
    const Entry* e = find(*this, type);
    return e ? e->data : std::nullopt;
}

std::optional<std::string> PasteboardItem::stringForType(std::string_view type) const {
    auto data = dataForType(type);
    if (!data || !Utf8::isValid(*data)) return std::nullopt;
    return data;
}

bool PasteboardItem::setData(std::string data, std::string_view type) {
    std::string t = PasteboardTypes::normalize(type);
    if (!PasteboardTypes::isValid(t)) return false;
    for (auto& e : entries) {
        if (e.type == t) {
            e.data = std::move(data);
            return true;
        }
    }
    entries.push_back({std::move(t), std::move(data)});
    return true;
}

bool PasteboardItem::setString(std::string_view text, std::string_view type) {
    return setData(std::string(text), type);
}

Pasteboard::Pasteboard(std::shared_ptr<PasteboardStore> store, std::string name)
    : store_(std::move(store)), name_(std::move(name)) {}

Pasteboard Pasteboard::generalPasteboard(std::shared_ptr<PasteboardStore> store) {
    return Pasteboard(std::move(store), std::string(kGeneralName));
}

Pasteboard Pasteboard::pasteboardWithName(std::shared_ptr<PasteboardStore> store,
                                          std::string name) {
    return Pasteboard(std::move(store), std::move(name));
}

Result<Pasteboard> Pasteboard::pasteboardWithUniqueName(std::shared_ptr<PasteboardStore> store) {
    auto name = store->makeUniqueName();
    if (!name.ok()) return name.error();
    return Pasteboard(std::move(store), std::move(*name));
}

PasteboardStore::Snapshot Pasteboard::snapshot() const {
    // The store reports unreadable pasteboards itself, once per damaged file; callers polling
    // the change count would otherwise flood the log.
    static const PasteboardStore::Snapshot empty = std::make_shared<const PasteboardContents>();
    auto contents = store_->read(name_);
    return contents.ok() && *contents ? *contents : empty;
}

std::optional<int64_t> Pasteboard::edit(const char* operation,
                                        const PasteboardStore::Editor& editor) {
    auto count = store_->update(name_, editor);
    if (count.ok()) return *count;
    log(std::string("Pasteboard ") + operation + " on \u201c" + name_ +
        "\u201d failed: " + count.error().debugDescription());
    return std::nullopt;
}

int64_t Pasteboard::changeCount() const {
    return snapshot()->changeCount;
}

int64_t Pasteboard::clearContents() {
    auto count = edit("clearContents", [](std::vector<PasteboardItem>& items) {
        items.clear();
        return PasteboardEdit::NewContents;
    });
    return count ? *count : changeCount();
}

int64_t Pasteboard::declareTypes(const std::vector<std::string>& types, const void* /*owner*/) {
    PasteboardItem item;
    for (auto& type : PasteboardTypes::normalize(types)) {
        if (PasteboardTypes::isValid(type)) item.entries.push_back({std::move(type), std::nullopt});
    }
    auto count = edit("declareTypes", [&item](std::vector<PasteboardItem>& items) {
        items.clear();
        if (!item.entries.empty()) items.push_back(std::move(item));
        return PasteboardEdit::NewContents;
    });
    return count ? *count : changeCount();
}

bool Pasteboard::setData(std::string data, std::string_view type) {
    if (!PasteboardTypes::isValid(PasteboardTypes::normalize(type))) {
        log("Pasteboard setData on \u201c" + name_ + "\u201d refused an invalid type.");
        return false;
    }
    return edit("setData",
                [&](std::vector<PasteboardItem>& items) {
                    if (items.empty()) items.emplace_back();
                    items.front().setData(std::move(data), type);
                    return PasteboardEdit::Modify;
                })
        .has_value();
}

bool Pasteboard::setString(std::string_view text, std::string_view type) {
    return setData(std::string(text), type);
}

bool Pasteboard::writeObjects(const std::vector<std::string>& strings) {
    return edit("writeObjects",
                [&strings](std::vector<PasteboardItem>& items) {
                    if (strings.empty()) return PasteboardEdit::None;
                    for (const auto& s : strings) items.push_back(plainTextItem(s));
                    return PasteboardEdit::Modify;
                })
        .has_value();
}

std::optional<std::string> Pasteboard::dataForType(std::string_view type) const {
    auto contents = snapshot();
    const PasteboardItem* item = firstItemWith(*contents, type);
    return item ? item->dataForType(type) : std::nullopt;
}

std::optional<std::string> Pasteboard::stringForType(std::string_view type) const {
    auto contents = snapshot();
    const PasteboardItem* item = firstItemWith(*contents, type);
    return item ? item->stringForType(type) : std::nullopt;
}

std::vector<std::string> Pasteboard::types() const {
    auto contents = snapshot();
    std::vector<std::string> out;
    for (const auto& item : contents->items) {
        for (const auto& e : item.entries)
            if (std::find(out.begin(), out.end(), e.type) == out.end()) out.push_back(e.type);
    }
    return out;
}

std::optional<std::string> Pasteboard::availableTypeFromArray(
    const std::vector<std::string>& types) const {
    auto contents = snapshot();
    for (const auto& type : types)
        if (firstItemWith(*contents, type)) return PasteboardTypes::normalize(type);
    return std::nullopt;
}

std::vector<PasteboardItem> Pasteboard::pasteboardItems() const {
    return snapshot()->items;
}

std::vector<std::string> Pasteboard::readObjects() const {
    auto contents = snapshot();
    std::vector<std::string> out;
    for (const auto& item : contents->items)
        if (auto s = item.stringForType(PasteboardTypes::kString)) out.push_back(std::move(*s));
    return out;
}

void Pasteboard::releaseGlobally() {
    if (Status s = store_->release(name_); !s.ok())
        log("Pasteboard releaseGlobally on \u201c" + name_ +
            "\u201d failed: " + s.error().debugDescription());
}

}  // namespace platform
