#include "platform/sim/SimFileTypes.h"

#include <filesystem>

#include "platform/workspace/TypeIdentifiers.h"

namespace platform {

Result<std::string> SimFileTypes::typeOfFile(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path p(path);
    std::error_code ec;
    const fs::file_status status = fs::status(p, ec);
    if (ec || !fs::exists(status)) return Error::noSuchFile(p.filename().string(), path);
    std::string extension = p.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    if (fs::is_directory(status)) {
        const std::string type = TypeIdentifiers::preferredIdentifierForExtension(extension);
        if (!extension.empty() && TypeIdentifiers::conformsTo(type, TypeIdentifiers::kDirectory))
            return type;
        return std::string(TypeIdentifiers::kFolder);
    }
    return TypeIdentifiers::preferredIdentifierForExtension(extension);
}

}  // namespace platform
