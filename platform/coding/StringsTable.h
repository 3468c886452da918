#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/core/Result.h"

namespace platform {

// A ".strings" table: `"key" = "value";` pairs with C-style comments, as the localizers write
// them. Files come in UTF-8 (with or without a byte-order mark) or UTF-16 (with a mark, or
// without one when the NUL bytes give the byte order away). Anything malformed is an error
// value naming the line, never a crash.
class StringsTable {
  public:
    using Entry = std::pair<std::string, std::string>;
    using const_iterator = std::vector<Entry>::const_iterator;

    static Result<StringsTable> parse(std::string_view bytes);
    // Reads with WholeFile::contents: a missing or unreadable file gives the OS's error.
    static Result<StringsTable> readFile(const std::filesystem::path& path);

    // nullptr when the key is absent.
    const std::string* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Entries in file order; a key given twice keeps its first place and its last value.
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    std::vector<std::string> keys() const;

    // Adds or replaces one entry, as the parser does.
    void set(std::string key, std::string value);

  private:
    // Lets find() look up a string_view without building a string.
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> index_;
};

}  // namespace platform
