#pragma once

#include <string>

#include "platform/core/Result.h"

namespace platform {

// The workspace's answer to "what type of file is this": a uniform type identifier (see
// TypeIdentifiers), or the OS's error when there is no file to look at.
class FileTypes {
  public:
    virtual ~FileTypes() = default;
    virtual Result<std::string> typeOfFile(const std::string& path) = 0;
};

}  // namespace platform
