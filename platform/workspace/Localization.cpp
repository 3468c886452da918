#include "platform/workspace/Localization.h"

#include <system_error>

#include "platform/core/Log.h"

namespace platform {

Localization::Localization(const Bundle& bundle)
    : directory_(bundle.resourcePath() /
                 (std::string(Bundle::kDevelopmentLocalization) + ".lproj")) {}

Localization::Localization(std::filesystem::path tablesDirectory)
    : directory_(std::move(tablesDirectory)) {}

Localization& Localization::main() {
    static Localization localization(Bundle::main());
    return localization;
}

std::shared_ptr<const StringsTable> Localization::table(const std::string& name) const {
    std::lock_guard lock(mutex_);
    if (const auto it = tables_.find(name); it != tables_.end()) return it->second;

    std::shared_ptr<const StringsTable> loaded;
    const std::filesystem::path file = directory_ / (name + ".strings");
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        auto parsed = StringsTable::readFile(file);
        if (parsed) {
            loaded = std::make_shared<const StringsTable>(std::move(parsed).value());
        } else {
            log("Could not read strings table " + file.string() + ": " +
                parsed.error().debugDescription());
        }
    }
    tables_.emplace(name, loaded);
    return loaded;
}

std::string Localization::localizedString(const std::string& key, const std::string& table) const {
    const auto strings = this->table(table);
    if (!strings) return key;
    const std::string* value = strings->find(key);
    return value ? *value : key;
}

std::string localized(const std::string& key, const std::string& /*comment*/,
                      const std::string& table) {
    return Localization::main().localizedString(key, table);
}

}  // namespace platform
