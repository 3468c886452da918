#include "tests/support/Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace {

double nowSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Subprocess::Subprocess(const std::vector<std::string>& argv, const std::string& stdinText) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC) || pipe2(inPipe, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // A runner started in the background may ignore or block the quit signals; children
        // start as from a terminal, so tests can signal them.
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    // Small inputs only: a pipe holds 64 KiB, enough for what tests send.
    if (!stdinText.empty()) {
        ssize_t ignored = ::write(inPipe[1], stdinText.data(), stdinText.size());
        (void)ignored;
    }
    close(inPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
}

Subprocess::~Subprocess() {
    if (!status_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        wait(5);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
}

void Subprocess::pump(double timeout) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    int n = 0;
    for (auto& f : fds)
        if (f.fd >= 0) ++n;
    if (n == 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(timeout, 0.01)));
        return;
    }
    if (poll(fds, 2, static_cast<int>(timeout * 1000)) <= 0) return;
    char buf[65536];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
        int& fd = i == 0 ? out_ : err_;
        if (got <= 0) {
            close(fd);
            fd = -1;
        } else {
            (i == 0 ? outBuf_ : errBuf_).append(buf, static_cast<size_t>(got));
        }
    }
}

std::optional<std::string> Subprocess::readLine(double timeout) {
    const double deadline = nowSeconds() + timeout;
    for (;;) {
        const size_t nl = outBuf_.find('\n', outPos_);
        if (nl != std::string::npos) {
            std::string line = outBuf_.substr(outPos_, nl - outPos_);
            outPos_ = nl + 1;
            return line;
        }
        const double left = deadline - nowSeconds();
        if (left <= 0 || (out_ < 0)) return std::nullopt;
        pump(std::min(left, 0.1));
    }
}

bool Subprocess::waitForStderr(const std::string& text, double timeout) {
    const double deadline = nowSeconds() + timeout;
    while (errBuf_.find(text) == std::string::npos) {
        const double left = deadline - nowSeconds();
        if (left <= 0 || err_ < 0) return errBuf_.find(text) != std::string::npos;
        pump(std::min(left, 0.1));
    }
    return true;
}

std::optional<int> Subprocess::wait(double timeout) {
    if (status_) return status_;
    const double deadline = nowSeconds() + timeout;
    for (;;) {
        int st = 0;
        const pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            drain();
            return status_;
        }
        if (nowSeconds() >= deadline) return std::nullopt;
        pump(0.02);
    }
}

bool Subprocess::running() {
    return !wait(0).has_value();
}

void Subprocess::signal(int sig) {
    if (!status_) kill(pid_, sig);
}

void Subprocess::drain() {
    // A process the child started may hold the pipes open: read what is there, briefly.
    const double deadline = nowSeconds() + 2;
    while ((out_ >= 0 || err_ >= 0) && nowSeconds() < deadline) pump(0.05);
}

const std::string& Subprocess::stdoutText() {
    return outBuf_;
}

const std::string& Subprocess::stderrText() {
    return errBuf_;
}

RunResult run(const std::vector<std::string>& argv, const std::string& stdinText, double timeout) {
    Subprocess p(argv, stdinText);
    RunResult r;
    r.status = p.wait(timeout).value_or(-1);
    r.out = p.stdoutText();
    r.err = p.stderrText();
    return r;
}

}  // namespace testsupport
