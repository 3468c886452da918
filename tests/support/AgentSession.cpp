#include "tests/support/AgentSession.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "platform/linux/DetachedProcess.h"
#include "tests/support/WaitFor.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

const fs::path kBuild = PURLANE_BUILD_DIR;
const std::string kCtl = (kBuild / "bin/purlanectl").string();

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

bool AgentSession::runnerHasSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address && *address;
}

bool AgentSession::startPrivateBus() {
    // One daemon for the life of the test process; it goes when the process ends.
    static std::unique_ptr<Subprocess> daemon;
    static bool started = false;
    if (daemon) return started;
    daemon = std::make_unique<Subprocess>(std::vector<std::string>{
        "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
    if (auto address = daemon->readLine(10); address && !address->empty()) {
        setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 1);
        started = true;
    }
    return started;
}

AgentSession::AgentSession(std::optional<std::string> display) {
    display_ = std::move(display);
    setEnvironment();
    ready_ = startPrivateBus();
}

AgentSession::~AgentSession() {
    endPrograms();
}

void AgentSession::setEnvironment() {
    const fs::path h = home();
    setenv("HOME", h.c_str(), 1);
    setenv("XDG_DATA_HOME", (h / ".local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (h / ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (h / ".cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (h / "run").c_str(), 1);
    fs::create_directories(h / "run");
    chmod((h / "run").c_str(), 0700);
    setenv("PURLANE_APPLICATIONS_PATH", applicationsFolder().c_str(), 1);
    if (display_)
        setenv("DISPLAY", display_->c_str(), 1);
    else
        unsetenv("DISPLAY");
    for (const char* name : {"PURLANE_LAUNCH_OPTIONS", "PURLANE_AE_DEFAULT_TIMEOUT",
                             "PURLANE_LAUNCH_TIMEOUT", "PURLANE_TESTAPP_RECORD"})
        unsetenv(name);
}

fs::path AgentSession::dataHome() const {
    return home() / ".local/share";
}
fs::path AgentSession::userLibrary() const {
    return dataHome() / "purlane/Library";
}
fs::path AgentSession::libraryDataFolder() const {
    return userLibrary() / "Group Containers/KQ4MZR7WXN.com.halvik.purlane/Data";
}

fs::path AgentSession::applicationsFolder() {
    return kBuild / "Applications";
}
fs::path AgentSession::agentBundle() {
    return applicationsFolder() / "purlaneAgent.app";
}
fs::path AgentSession::agentExecutable() {
    return agentBundle() / "Contents/MacOS/purlaneAgent";
}
fs::path AgentSession::engineExecutable() {
    return applicationsFolder() / "SampleEngine.app/Contents/MacOS/SampleEngine";
}

RunResult AgentSession::registerEngine() {
    return run({engineExecutable().string(), "--register"});
}

Subprocess* AgentSession::startWithEngine() {
    const RunResult registered = registerEngine();
    EXPECT_EQ(registered.status, 0) << registered.err;
    return registered.status == 0 ? startAgent() : nullptr;
}

Subprocess* AgentSession::startAgent() {
    return start({agentExecutable().string()}, kAgentID);
}

Subprocess* AgentSession::start(const std::vector<std::string>& argv,
                                const std::optional<std::string>& listedAs) {
    children_.push_back(std::make_unique<Subprocess>(argv));
    Subprocess& child = *children_.back();
    if (!listedAs) return &child;
    const int pid = child.pid();
    const bool listed = waitFor([&] {
        const auto found = appsWithIdentifier(*listedAs);
        return std::any_of(found.begin(), found.end(), [&](const App& a) { return a.pid == pid; });
    });
    if (listed) return &child;
    child.wait(0.5);
    ADD_FAILURE() << argv[0] << " was not listed as " << *listedAs << "\nstdout:\n"
                  << child.stdoutText() << "\nstderr:\n"
                  << child.stderrText();
    return nullptr;
}

RunResult AgentSession::ctl(const std::vector<std::string>& args, const std::string& stdinText) {
    std::vector<std::string> argv = {kCtl};
    argv.insert(argv.end(), args.begin(), args.end());
    // Long enough for a request that must start the engine first.
    return run(argv, stdinText, 90);
}

RunResult AgentSession::script(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"script"};
    argv.insert(argv.end(), args.begin(), args.end());
    return ctl(argv);
}

int AgentSession::defaultsWrite(const std::string& key, const std::vector<std::string>& value,
                                const std::string& domain) {
    std::vector<std::string> args = {"defaults", "write", domain, key};
    args.insert(args.end(), value.begin(), value.end());
    return ctl(args).status;
}

std::optional<std::string> AgentSession::defaultsRead(const std::string& key,
                                                      const std::string& domain) {
    const RunResult r = ctl({"defaults", "read", domain, key});
    if (r.status != 0) return std::nullopt;
    return r.out.substr(0, r.out.find('\n'));
}

std::vector<std::string> AgentSession::lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<AgentSession::App> AgentSession::apps() {
    std::vector<App> out;
    for (const auto& line : lines(ctl({"apps"}).out)) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
        if (fields.size() < 5) continue;
        out.push_back({std::atoi(fields[0].c_str()), fields[1], fields[2], fields[3], fields[4]});
    }
    return out;
}

std::vector<AgentSession::App> AgentSession::appsWithIdentifier(const std::string& id) {
    auto all = apps();
    std::erase_if(all, [&](const App& a) { return a.bundleIdentifier != id; });
    return all;
}

bool AgentSession::isListed(int pid) {
    const auto all = apps();
    return std::any_of(all.begin(), all.end(), [&](const App& a) { return a.pid == pid; });
}

bool AgentSession::waitFor(const std::function<bool()>& done, double timeout) {
    return testsupport::waitFor(done, timeout);
}

bool AgentSession::waitForOutput(Subprocess& process, const std::string& text, double timeout) {
    const double deadline = now() + timeout;
    while (process.stdoutText().find(text) == std::string::npos) {
        const double left = deadline - now();
        if (left <= 0) return false;
        // Reading a line pumps the pipe; at its end there is nothing more to wait for.
        if (!process.readLine(std::min(left, 0.2)) && !process.running())
            return process.stdoutText().find(text) != std::string::npos;
    }
    return true;
}

std::vector<std::string> AgentSession::commandLine(int pid) {
    std::vector<std::string> args;
    const std::string raw = readFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::istringstream in(raw);
    for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
    return args;
}

// Only programs started for this home are ours to end, whatever else shares the bus.
bool AgentSession::belongsHere(int pid) const {
    const std::string environment = readFile("/proc/" + std::to_string(pid) + "/environ");
    return environment.find(std::string("HOME=") + home().string() + '\0') != std::string::npos;
}

void AgentSession::endPrograms() {
    std::vector<int> launched;
    if (ready_) {
        for (const auto& app : apps()) {
            const bool child = std::any_of(children_.begin(), children_.end(),
                                           [&](const auto& c) { return c->pid() == app.pid; });
            if (!child && app.pid > 0 && belongsHere(app.pid)) launched.push_back(app.pid);
        }
    }
    // Those the agent launched first: they hold its output pipes open.
    for (int pid : launched) kill(pid, SIGTERM);
    waitFor(
        [&] {
            return std::none_of(launched.begin(), launched.end(),
                                platform::DetachedProcess::isAlive);
        },
        5);
    for (int pid : launched)
        if (platform::DetachedProcess::isAlive(pid)) kill(pid, SIGKILL);
    for (auto& child : children_) child->signal(SIGTERM);
    for (auto& child : children_) child->wait(5);
    children_.clear();  // what still runs is killed
}

void AgentSessionTest::SetUp() {
    if (!AgentSession::runnerHasSessionBus())
        GTEST_SKIP() << "no session bus: run under dbus-run-session";
    session = std::make_unique<AgentSession>();
    if (!session->ready()) GTEST_SKIP() << "no private bus could be started";
}

}  // namespace testsupport
