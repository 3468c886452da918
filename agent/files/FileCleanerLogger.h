#pragma once

#include <string>

// Receives the file cleaner's progress lines instead of the system log.
class FileCleanerLogger {
  public:
    virtual ~FileCleanerLogger() = default;
    virtual void writeLog(const std::string& line) = 0;
};
