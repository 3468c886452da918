#include "platform/linux/DetachedProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace platform {

namespace {

// Marks every descriptor from 3 up close-on-exec, so the program gets none of ours.
constexpr unsigned kCloseRangeCloexec = 1U << 2;

bool readAll(int fd, void* buffer, size_t size) {
    auto* p = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, p + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

void writeAll(int fd, const void* buffer, size_t size) {
    const auto* p = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        size -= static_cast<size_t>(n);
    }
}

// Runs in the new process between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(const char* path, char* const* argv, char* const* envp, int devNull,
                            int status) {
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    // Ignored signals and the signal mask survive exec; the program expects neither.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    syscall(SYS_close_range, 3U, ~0U, kCloseRangeCloexec);
    execve(path, argv, envp);
    const int error = errno;
    writeAll(status, &error, sizeof error);
    _exit(127);
}

}  // namespace

std::optional<std::filesystem::path> DetachedProcess::findExecutable(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        if (access(name.c_str(), X_OK) == 0) return std::filesystem::path(name);
        return std::nullopt;
    }
    const char* pathVariable = std::getenv("PATH");
    std::stringstream dirs(pathVariable && *pathVariable ? pathVariable
                                                         : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) dir = ".";
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

Result<int> DetachedProcess::spawn(
    const std::string& executable, const std::vector<std::string>& arguments,
    const std::map<std::string, std::optional<std::string>>& environment) {
    const auto path = findExecutable(executable);
    if (!path) return Error::other("Couldn't find the program " + executable + ".", executable);

    // Everything the child needs is built before fork: it may not allocate afterwards.
    const std::string pathText = path->string();
    std::vector<std::string> argStrings;
    argStrings.push_back(executable);
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        if (!environment.contains(key)) envStrings.push_back(entry);
    }
    for (const auto& [key, value] : environment) {
        if (value) envStrings.push_back(key + "=" + *value);
    }
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);

    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0)
        return Error::other("Couldn't start " + executable + ".", std::strerror(errno));
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);

    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(status[0]);
        close(status[1]);
        if (devNull >= 0) close(devNull);
        return Error::other("Couldn't start " + executable + ".", std::strerror(error));
    }
    if (child == 0) {
        // The middle process: a new session, then the program in a grandchild, then gone, so
        // the program is adopted by the system and never waits on us to be reaped.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0)
            execChild(pathText.c_str(), argv.data(), envp.data(), devNull, status[1]);
        const int report = grandchild > 0 ? grandchild : -errno;
        writeAll(status[1], &report, sizeof report);
        _exit(0);
    }

    close(status[1]);
    if (devNull >= 0) close(devNull);
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    int pid = 0;
    const bool gotPid = readAll(status[0], &pid, sizeof pid);
    int execError = 0;
    // End of file here means the program replaced the grandchild: exec worked.
    const bool execFailed = gotPid && pid > 0 && readAll(status[0], &execError, sizeof execError);
    close(status[0]);
    if (!gotPid || pid <= 0)
        return Error::other("Couldn't start " + executable + ".",
                            std::strerror(gotPid ? -pid : EAGAIN));
    if (execFailed)
        return Error::other("Couldn't start " + executable + ".", std::strerror(execError));
    return pid;
}

bool DetachedProcess::isAlive(int pid) {
    if (pid <= 0) return false;
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    // A process that ended but was not reaped yet still answers kill().
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return false;
    const size_t paren = text.rfind(')');
    if (paren == std::string::npos || paren + 2 >= text.size()) return false;
    const char state = text[paren + 2];
    return state != 'Z' && state != 'X';
}

}  // namespace platform
