#pragma once

#include <string>

namespace launchwatcher {

// Where the watcher's log lines are shown (the window's text view).
class LogOutput {
  public:
    virtual ~LogOutput() = default;
    virtual void appendLine(const std::string& text) = 0;
};

}  // namespace launchwatcher
