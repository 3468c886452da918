// The "clean text" script command end to end: the request goes to the agent, which puts the
// text on a pasteboard of its own, has the engine clean it in place, reads it back and answers.
// The agent and the sample engine of the build run in a temporary home; the request is sent
// from here as purlanectl sends it (1 MB does not go on a command line), and once through
// purlanectl itself, which adds the tool's start-up.
//
// It needs a session bus of its own:
//   dbus-run-session -- build/bin/purlane_bench --benchmark_filter=CleanText

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/events/ScriptValues.h"
#include "platform/events/ScriptingDefinition.h"
#include "platform/linux/AppRegistry.h"
#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/DetachedProcess.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace platform;

const fs::path kBuild = PURLANE_BUILD_DIR;
const fs::path kAgentApp = kBuild / "Applications/purlaneAgent.app";
constexpr const char* kAgentID = "com.halvik.purlane.agent";
constexpr const char* kEngineID = "com.halvik.purlane9";

// Starts a program with its output going to `log` (or a pipe returned in `out`).
pid_t spawn(const std::vector<std::string>& argv, const fs::path& log, int* out = nullptr) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int fds[2] = {-1, -1};
    if (out && pipe2(fds, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        *out = fds[0];
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (fds[1] >= 0) close(fds[1]);
    return pid;
}

bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The agent and the engine in a home of their own, for the whole run. Made once; the programs
// are ended when the benchmark program exits.
class RoundTrip {
  public:
    static RoundTrip* get(std::string& whyNot) {
        static RoundTrip* shared = nullptr;
        static std::string failure;
        if (!shared && failure.empty()) {
            auto* made = new RoundTrip();  // lives as long as the program: Qt stays up
            if (made->start(failure)) shared = made;
        }
        whyNot = failure;
        return shared;
    }

    // In-process, as purlanectl sends it.
    std::optional<std::string> cleanText(const std::string& text, const std::string& cleaner) {
        AppleEvent event(command_.eventClass, command_.eventID, kAgentID);
        event.setParamDescriptor(AEKeyword::kDirectObject, AppleEventDescriptor::string(text));
        event.setParamDescriptor(cleanerCode_, AppleEventDescriptor::string(cleaner));
        const AESendResult result = events_.send(
            event, AESendMode::kWaitReply | AESendMode::kNeverInteract, kAEDefaultTimeout);
        if (result.error != OSErr::kNoErr) return std::nullopt;
        const auto* direct = result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject);
        return direct ? direct->stringValue() : std::nullopt;
    }

    // Through the command-line tool: its start-up and bus connection included.
    std::optional<std::string> cleanTextWithTool(const std::string& text,
                                                 const std::string& cleaner) {
        int out = -1;
        const pid_t pid = spawn({(kBuild / "bin/purlanectl").string(), "script", "clean text", text,
                                 "--cleaner", cleaner},
                                home_ / "purlanectl.log", &out);
        if (pid < 0 || out < 0) return std::nullopt;
        std::string result;
        char buffer[65536];
        for (ssize_t n; (n = read(out, buffer, sizeof buffer)) > 0;)
            result.append(buffer, static_cast<size_t>(n));
        close(out);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !result.ends_with('\n'))
            return std::nullopt;
        result.pop_back();
        return result;
    }

  private:
    RoundTrip() = default;

    bool start(std::string& failure) {
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (!bus || !*bus) {
            failure = "no session bus: run under dbus-run-session";
            return false;
        }
        // What the clean-up reads is made first, so that it is still there when it runs.
        agentPid() = -1;
        enginePids().clear();
        homeToRemove().clear();
        runtimeToRemove().clear();
        std::atexit([] { cleanUp(); });
        char pattern[] = "/tmp/purlane-bench-XXXXXX";
        if (!mkdtemp(pattern)) {
            failure = "no temporary folder";
            return false;
        }
        home_ = pattern;
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_DATA_HOME", (home_ / ".local/share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
        // A desktop's runtime folder is in memory, and the pasteboards live there: so here too
        // where possible (PURLANE_BENCH_RUNTIME_ON_DISK=1 keeps it in the home, on disk).
        char runtimePattern[] = "/dev/shm/purlane-bench-XXXXXX";
        runtime_ = (!std::getenv("PURLANE_BENCH_RUNTIME_ON_DISK") && mkdtemp(runtimePattern))
                       ? fs::path(runtimePattern)
                       : home_ / "run";
        fs::create_directories(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all, fs::perm_options::replace);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        runtimeToRemove() = runtime_;
        setenv("PURLANE_APPLICATIONS_PATH", (kBuild / "Applications").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);

        static int argc = 1;
        static char arg0[] = "purlane_bench";
        static char* argv[] = {arg0, nullptr};
        qt_ = new QCoreApplication(argc, argv);
        if (DBusAppleEventManager::targetProcess(kAgentID)) {
            failure = "an agent already runs on this bus: use a bus of its own (dbus-run-session)";
            return false;
        }

        auto definition =
            ScriptingDefinition::readFile(kAgentApp / "Contents/Resources/purlaneAgent.sdef");
        const auto* command = definition.ok() ? definition->commandNamed("clean text") : nullptr;
        const auto* cleaner = command ? command->parameterNamed("cleaner") : nullptr;
        if (!cleaner) {
            failure = "the agent's scripting definition has no 'clean text' with a cleaner";
            return false;
        }
        command_ = *command;
        cleanerCode_ = cleaner->code;

        const fs::path log = home_ / "programs.log";
        const pid_t engine =
            spawn({(kBuild / "Applications/SampleEngine.app/Contents/MacOS/SampleEngine").string(),
                   "--register"},
                  log);
        int status = 0;
        if (engine < 0 || waitpid(engine, &status, 0) != engine || status != 0) {
            failure = "the sample engine did not register (see " + log.string() + ")";
            return false;
        }
        agentPid() = spawn({(kAgentApp / "Contents/MacOS/purlaneAgent").string()}, log);
        if (agentPid() < 0 ||
            !waitFor([] { return DBusAppleEventManager::targetProcess(kAgentID).has_value(); },
                     15)) {
            failure = "the agent did not start (see " + log.string() + ")";
            return false;
        }
        // The first request starts the engine; measure only what follows.
        if (cleanText("warm up", "#UPPER") != std::optional<std::string>("WARM UP")) {
            failure = "the first clean text failed (see " + log.string() + ")";
            return false;
        }
        const std::string ours = "HOME=" + home_.string() + '\0';
        for (const auto& app : AppRegistry::list()) {
            const std::string environment =
                readAll("/proc/" + std::to_string(app.pid) + "/environ");
            if (app.pid > 0 && app.bundleIdentifier == kEngineID &&
                environment.find(ours) != std::string::npos)
                enginePids().push_back(app.pid);
        }
        // Kept after a failure: the log the message names is there.
        homeToRemove() = home_;
        return true;
    }

    static pid_t& agentPid() {
        static pid_t pid = -1;
        return pid;
    }
    static std::vector<int>& enginePids() {
        static std::vector<int> pids;
        return pids;
    }
    static fs::path& homeToRemove() {
        static fs::path home;
        return home;
    }
    static fs::path& runtimeToRemove() {
        static fs::path runtime;
        return runtime;
    }

    // At exit, without Qt: it may be gone by then.
    static void cleanUp() {
        for (int pid : enginePids()) kill(pid, SIGTERM);
        if (agentPid() > 0) {
            kill(agentPid(), SIGTERM);
            waitFor([] { return waitpid(agentPid(), nullptr, WNOHANG) != 0; }, 5);
        }
        waitFor(
            [] {
                return std::none_of(enginePids().begin(), enginePids().end(),
                                    DetachedProcess::isAlive);
            },
            5);
        std::error_code ec;
        for (const fs::path& folder : {runtimeToRemove(), homeToRemove()})
            if (!folder.empty()) fs::remove_all(folder, ec);
    }

    fs::path home_, runtime_;
    QCoreApplication* qt_ = nullptr;
    DBusAppleEventManager events_;
    ScriptingDefinition::Command command_;
    FourCharCode cleanerCode_;
};

// Lines of lower-case words, `size` bytes.
std::string sampleText(size_t size) {
    static const std::string line = "the quick brown fox jumps over the lazy dog, again\n";
    std::string text;
    text.reserve(size);
    while (text.size() < size) text += line;
    text.resize(size);
    return text;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Cleans `state.range(0)` bytes per iteration the way `clean` does it.
template <class Clean>
void measureRoundTrip(benchmark::State& state, Clean clean, const char* failure) {
    std::string whyNot;
    RoundTrip* roundTrip = RoundTrip::get(whyNot);
    if (!roundTrip) {
        state.SkipWithError(whyNot.c_str());
        return;
    }
    const std::string text = sampleText(static_cast<size_t>(state.range(0)));
    const std::string expected = upper(text);
    for (auto _ : state) {
        if (clean(*roundTrip, text) != expected) {
            state.SkipWithError(failure);
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_CleanTextRoundTrip(benchmark::State& state) {
    measureRoundTrip(
        state, [](RoundTrip& r, const std::string& t) { return r.cleanText(t, "#UPPER"); },
        "the agent did not answer with the cleaned text");
}
BENCHMARK(BM_CleanTextRoundTrip)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CleanTextRoundTripThroughPurlanectl(benchmark::State& state) {
    measureRoundTrip(
        state, [](RoundTrip& r, const std::string& t) { return r.cleanTextWithTool(t, "#UPPER"); },
        "purlanectl did not print the cleaned text");
}
BENCHMARK(BM_CleanTextRoundTripThroughPurlanectl)
    ->Arg(1 << 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
