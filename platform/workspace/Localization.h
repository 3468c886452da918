#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/coding/StringsTable.h"
#include "platform/workspace/Bundle.h"

namespace platform {

// The localized texts of one bundle: the tables Resources/en.lproj/<table>.strings, each read
// once on first use and then kept. Safe to use from any thread.
class Localization {
  public:
    static constexpr const char* kDefaultTable = "Localizable";

    explicit Localization(const Bundle& bundle);
    // Tables straight from a folder (an "en.lproj"), for tools and tests.
    explicit Localization(std::filesystem::path tablesDirectory);
    Localization(const Localization&) = delete;
    Localization& operator=(const Localization&) = delete;

    // The main bundle's.
    static Localization& main();

    // The text for `key`, or `key` itself when the table or the key is missing, as the OS
    // does when no value is given.
    std::string localizedString(const std::string& key,
                                const std::string& table = kDefaultTable) const;

    // The whole table, or nullptr when it is missing or unreadable (that is logged once).
    std::shared_ptr<const StringsTable> table(const std::string& name) const;

    const std::filesystem::path& tablesDirectory() const { return directory_; }

  private:
    std::filesystem::path directory_;
    mutable std::mutex mutex_;
    // A null entry remembers a table that could not be loaded.
    mutable std::map<std::string, std::shared_ptr<const StringsTable>, std::less<>> tables_;
};

// What user-visible texts go through. `comment` is for the localizers only; it is never shown.
std::string localized(const std::string& key, const std::string& comment,
                      const std::string& table = Localization::kDefaultTable);

}  // namespace platform
