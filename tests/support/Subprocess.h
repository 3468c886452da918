#pragma once

#include <sys/types.h>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A child process with its standard output and error captured, for integration tests.
class Subprocess {
  public:
    // Starts `argv[0]` (a path) with the given arguments; the environment is inherited.
    explicit Subprocess(const std::vector<std::string>& argv, const std::string& stdinText = {});
    ~Subprocess();  // kills the child if it still runs
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    pid_t pid() const { return pid_; }
    // The next line of stdout (without the newline), or nothing after `timeout` seconds or at
    // the end of output.
    std::optional<std::string> readLine(double timeout = 10);
    // Waits until stderr has shown a line containing `text`.
    bool waitForStderr(const std::string& text, double timeout = 10);
    // Exit status, or nothing if it did not end in time. A signal gives 128 + signal number.
    std::optional<int> wait(double timeout = 10);
    bool running();
    void signal(int sig);

    // Everything read so far plus whatever is left once the child ended.
    const std::string& stdoutText();
    const std::string& stderrText();

  private:
    void pump(double timeout);
    void drain();

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    std::string outBuf_, errBuf_;
    size_t outPos_ = 0;
    std::optional<int> status_;
};

// Runs a command to its end: exit status and output.
struct RunResult {
    int status = -1;
    std::string out, err;
};
RunResult run(const std::vector<std::string>& argv, const std::string& stdinText = {},
              double timeout = 30);

}  // namespace testsupport
