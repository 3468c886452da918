#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

// A pasteboard as the OS's pasteboard object offers it: a handle on a named pasteboard of a
// store. It holds nothing itself; every call reads or edits the store, so handles with one name
// (in one process or several) always agree on contents and change count. Copying is cheap.
//
// Types may be given as identifiers or as legacy names (see PasteboardTypes). Writes return
// false when the store could not keep the change, and say why in the log; reads of a pasteboard
// that can't be read see it empty.
class Pasteboard {
  public:
    static constexpr std::string_view kGeneralName = "Apple CFPasteboard general";

    static Pasteboard generalPasteboard(std::shared_ptr<PasteboardStore> store);
    static Pasteboard pasteboardWithName(std::shared_ptr<PasteboardStore> store, std::string name);
    // A pasteboard under a name never used before.
    static Result<Pasteboard> pasteboardWithUniqueName(std::shared_ptr<PasteboardStore> store);

    const std::string& name() const { return name_; }
    // Increases whenever somebody takes the pasteboard over (clearContents, declareTypes); never
    // goes back.
    int64_t changeCount() const;

    // Start new, empty contents. Both return the change count after.
    int64_t clearContents();
    // New contents with one item promising `types` (data follows through setData). The owner is
    // not kept: nobody is asked for promised data later.
    int64_t declareTypes(const std::vector<std::string>& types, const void* owner = nullptr);

    // Writes into the first item, creating it when there is none. The change count stays.
    bool setData(std::string data, std::string_view type);
    bool setString(std::string_view text, std::string_view type = PasteboardTypes::kString);
    // Adds one plain-text item per string after the current items. As with the OS, call
    // clearContents first: the strings are added to whatever is there.
    bool writeObjects(const std::vector<std::string>& strings);

    // From the first item that has the type.
    std::optional<std::string> dataForType(std::string_view type) const;
    std::optional<std::string> stringForType(std::string_view type) const;
    // The types of all items, in the order first seen.
    std::vector<std::string> types() const;
    // The first of `types` that some item has.
    std::optional<std::string> availableTypeFromArray(const std::vector<std::string>& types) const;
    std::vector<PasteboardItem> pasteboardItems() const;
    // The plain text of every item that has some.
    std::vector<std::string> readObjects() const;

    // Drops the contents from the store; the handle stays usable.
    void releaseGlobally();

  private:
    Pasteboard(std::shared_ptr<PasteboardStore> store, std::string name);
    PasteboardStore::Snapshot snapshot() const;
    // Runs one edit; nothing when the store refused it (logged).
    std::optional<int64_t> edit(const char* operation, const PasteboardStore::Editor& editor);

    std::shared_ptr<PasteboardStore> store_;
    std::string name_;
};

}  // namespace platform
