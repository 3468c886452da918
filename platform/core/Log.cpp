#include "platform/core/Log.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>
#include <system_error>

namespace platform {

namespace {

std::mutex gOutputMutex;
StandardLogSink gStandardSink;
std::atomic<LogSink*> gSink{&gStandardSink};

std::string& programNameStorage() {
    // The executable's file name: /proc/self/comm would do, but the kernel cuts it at 15
    // characters ("purlaneAgentLau").
    static std::string name = [] {
        std::error_code ec;
        std::string n = std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
        constexpr std::string_view kDeleted = " (deleted)";  // rebuilt while running
        if (n.ends_with(kDeleted)) n.resize(n.size() - kDeleted.size());
        if (n.empty()) {
            std::ifstream comm("/proc/self/comm");
            std::getline(comm, n);
        }
        return n.empty() ? std::string("unknown") : n;
    }();
    return name;
}

}  // namespace

void StandardLogSink::print(const std::string& line) {
    std::lock_guard lock(gOutputMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void StandardLogSink::log(const std::string& message) {
    const std::string line = format(programName(), static_cast<int>(getpid()), message);
    std::lock_guard lock(gOutputMutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

std::string StandardLogSink::format(const std::string& program, int pid,
                                    const std::string& message) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[64];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    char frac[8];
    std::snprintf(frac, sizeof frac, ".%03d", static_cast<int>(ms));
    return std::string(stamp) + frac + " " + program + "[" + std::to_string(pid) + "]: " + message;
}

LogSink* setLogSink(LogSink* sink) {
    return gSink.exchange(sink ? sink : &gStandardSink);
}
LogSink& logSink() {
    return *gSink.load();
}

void setProgramName(const std::string& name) {
    programNameStorage() = name;
}
const std::string& programName() {
    return programNameStorage();
}

void print(const std::string& line) {
    logSink().print(line);
}
void log(const std::string& message) {
    logSink().log(message);
}

}  // namespace platform
