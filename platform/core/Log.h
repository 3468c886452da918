#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The two diagnostic channels of the system: "print" is a plain line on standard output,
// "log" goes to the system-log sink (standard error as "DATE PROGRAM[PID]: message").
// Tests swap in a capturing sink.
class LogSink {
  public:
    virtual ~LogSink() = default;
    virtual void print(const std::string& line) = 0;
    virtual void log(const std::string& message) = 0;
};

// Writes to stdout / stderr, flushing every line.
class StandardLogSink : public LogSink {
  public:
    void print(const std::string& line) override;
    void log(const std::string& message) override;
    // "2026-12-06 18:16:44.123 purlaneAgent[1234]: message"
    static std::string format(const std::string& program, int pid, const std::string& message);
};

// Keeps every line, for tests.
class CapturingLogSink : public LogSink {
  public:
    void print(const std::string& line) override { printed.push_back(line); }
    void log(const std::string& message) override { logged.push_back(message); }
    std::vector<std::string> printed;
    std::vector<std::string> logged;
};

// The process's current sink (standard by default). Returns the previous one.
LogSink* setLogSink(LogSink* sink);
LogSink& logSink();

// Name used as PROGRAM in log lines (default: the executable's file name).
void setProgramName(const std::string& name);
const std::string& programName();

void print(const std::string& line);
void log(const std::string& message);

// Restores the previous sink when it goes out of scope.
class ScopedLogCapture {
  public:
    ScopedLogCapture() : previous_(setLogSink(&sink)) {}
    ~ScopedLogCapture() { setLogSink(previous_); }
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;
    CapturingLogSink sink;

  private:
    LogSink* previous_;
};

}  // namespace platform
