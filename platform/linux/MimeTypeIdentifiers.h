#pragma once

#include <optional>
#include <string>

#include "platform/workspace/FileTypes.h"

namespace platform {

// File types on Linux: shared-mime-info (through Qt's MIME database) names the file's MIME
// type, from its name and, where the name leaves it open, its contents; the type is then
// mapped onto the OS's identifiers. As on the OS, a name with an extension nobody declared
// makes a dynamic identifier whatever the file holds; a name without any extension is judged
// by its contents. A folder named *.rtfd is an RTFD document.
class MimeTypeIdentifiers : public FileTypes {
  public:
    Result<std::string> typeOfFile(const std::string& path) override;

    // The identifier of a MIME type (or of its nearest ancestor that has one); nothing when
    // neither it nor any ancestor maps.
    static std::optional<std::string> identifierForMimeType(const std::string& mimeType);
};

}  // namespace platform
