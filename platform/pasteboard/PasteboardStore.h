#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace platform {

// One item on a pasteboard: data by type, types in the order they were first written or
// declared. Bytes are held in std::string. Functions taking a type accept legacy names too.
struct PasteboardItem {
    struct Entry {
        std::string type;
        // Nothing for a type that was declared but never given data.
        std::optional<std::string> data;
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    std::vector<Entry> entries;

    std::vector<std::string> types() const;
    bool hasType(std::string_view type) const;
    std::optional<std::string> dataForType(std::string_view type) const;
    // The data as text; nothing when absent or not UTF-8.
    std::optional<std::string> stringForType(std::string_view type) const;
    // Replaces the type's data or adds the type last. False for a type that can't be stored.
    bool setData(std::string data, std::string_view type);
    bool setString(std::string_view text, std::string_view type);

    friend bool operator==(const PasteboardItem&, const PasteboardItem&) = default;
};

// What a pasteboard holds at one moment.
struct PasteboardContents {
    int64_t changeCount = 0;
    std::vector<PasteboardItem> items;
    friend bool operator==(const PasteboardContents&, const PasteboardContents&) = default;
};

// How an edit of a pasteboard's items is to be stored.
enum class PasteboardEdit {
    None,         // nothing changed: store nothing
    Modify,       // the same contents, changed: store, change count as it was
    NewContents,  // contents of a new owner: store and increase the change count
};

// Where pasteboards live: memory in the sim, the user's runtime folder on Linux (shared by every
// process of the user). Every Pasteboard handle goes here for every operation, so handles with
// the same name see the same contents and change count. Safe to use from any thread.
class PasteboardStore {
  public:
    using Snapshot = std::shared_ptr<const PasteboardContents>;
    // Edits the items in place and says what it did. Runs under the store's lock: it must not
    // call the store.
    using Editor = std::function<PasteboardEdit(std::vector<PasteboardItem>& items)>;

    virtual ~PasteboardStore() = default;

    // The pasteboard's current contents; no items when it holds none or does not exist.
    virtual Result<Snapshot> read(const std::string& name) = 0;
    // Runs `edit` on the current items with no other writer, in any process, in between, stores
    // the result as `edit` says, and returns the change count after.
    virtual Result<int64_t> update(const std::string& name, const Editor& edit) = 0;
    // Drops the pasteboard's contents. Its change count still never goes back, except for a
    // unique pasteboard, whose name is never handed out again.
    virtual Status release(const std::string& name) = 0;
    // A name no other pasteboard has had.
    virtual Result<std::string> makeUniqueName() = 0;

    // New contents: `items` replace whatever was there and the change count increases.
    Result<int64_t> replace(const std::string& name, std::vector<PasteboardItem> items) {
        return update(name, [&items](std::vector<PasteboardItem>& current) {
            current = std::move(items);
            return PasteboardEdit::NewContents;
        });
    }
};

}  // namespace platform
