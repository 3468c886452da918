#pragma once

#include "platform/workspace/FileTypes.h"

namespace platform {

// File types by name alone, from the declared extensions, as the OS decides them: a folder
// named *.rtfd is an RTFD document, any other folder a folder, a file with an undeclared
// extension gets a dynamic identifier. Files are looked at on disk only to tell folders from
// files and to report a missing one.
class SimFileTypes : public FileTypes {
  public:
    Result<std::string> typeOfFile(const std::string& path) override;
};

}  // namespace platform
