#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace testsupport {

// One user's session for end-to-end tests of the agent: a temporary home with its own XDG
// folders, the build's Applications folder as the place programs are found, the real agent,
// the sample engine and purlanectl.
//
// Every program of the session joins a bus of this test process's own: ctest runs tests side
// by side, and agents quit each other at start-up. The session ends every program it started,
// and those the agent launched, when it goes.
class AgentSession {
  public:
    static constexpr const char* kAgentID = "com.halvik.purlane.agent";
    static constexpr const char* kEngineID = "com.halvik.purlane9";
    static constexpr const char* kEngine8ID = "com.halvik.purlane8";
    // The defaults domain the agent and the engine share.
    static constexpr const char* kSharedDomain = "KQ4MZR7WXN.com.halvik.purlane";
    // What "soon" means: generous, as a loaded machine may be slow.
    static constexpr double kWait = 15;

    // Whether the test runner gave us a session bus (DBUS_SESSION_BUS_ADDRESS).
    static bool runnerHasSessionBus();

    // `display`: the X display the session's programs see (a test's XDesktop); without one
    // they see none, so tests side by side never share a clipboard or a focus.
    explicit AgentSession(std::optional<std::string> display = std::nullopt);
    ~AgentSession();
    AgentSession(const AgentSession&) = delete;
    AgentSession& operator=(const AgentSession&) = delete;

    // False when no private bus could be started; nothing else works then.
    bool ready() const { return ready_; }

    const std::filesystem::path& home() const { return home_.path(); }
    std::filesystem::path dataHome() const;     // ~/.local/share
    std::filesystem::path userLibrary() const;  // where the system says "~/Library"
    // The shared container's Data folder, where the engine publishes its library.
    std::filesystem::path libraryDataFolder() const;

    static std::filesystem::path applicationsFolder();
    static std::filesystem::path agentBundle();
    static std::filesystem::path agentExecutable();
    static std::filesystem::path engineExecutable();

    // SampleEngine --register: the engine's identity and library, published.
    RunResult registerEngine();
    // The engine published, then the agent started; nothing (and a test failure naming what
    // went wrong) when either failed.
    Subprocess* startWithEngine();
    // Starts the agent and waits until it is listed; nothing (and a test failure naming what
    // it printed) when it did not show up in time.
    Subprocess* startAgent();
    // Starts any program and, with a bundle identifier, waits until it is listed under it.
    Subprocess* start(const std::vector<std::string>& argv,
                      const std::optional<std::string>& listedAs = std::nullopt);

    RunResult ctl(const std::vector<std::string>& args, const std::string& stdinText = {});
    // purlanectl script ARGS...
    RunResult script(const std::vector<std::string>& args);
    // purlanectl defaults write DOMAIN KEY VALUE... (the type flag first): its exit status.
    int defaultsWrite(const std::string& key, const std::vector<std::string>& value,
                      const std::string& domain = kAgentID);
    // purlanectl defaults read DOMAIN KEY: the value's first line, nothing when it is not set.
    std::optional<std::string> defaultsRead(const std::string& key,
                                            const std::string& domain = kAgentID);
    // The lines of a command's output, without their newlines.
    static std::vector<std::string> lines(const std::string& text);

    struct App {
        int pid = 0;
        std::string bundleIdentifier, policy, name, path;
    };
    std::vector<App> apps();
    std::vector<App> appsWithIdentifier(const std::string& bundleIdentifier);
    bool isListed(int pid);

    // Polls `done` until it holds or `timeout` seconds passed; returns done().
    static bool waitFor(const std::function<bool()>& done, double timeout = kWait);
    // Waits until `process` printed `text` on standard output.
    static bool waitForOutput(Subprocess& process, const std::string& text, double timeout = kWait);
    // The command line of a running process, one element per argument.
    static std::vector<std::string> commandLine(int pid);

  private:
    static bool startPrivateBus();
    void setEnvironment();
    bool belongsHere(int pid) const;
    void endPrograms();

    TempDir home_;
    std::optional<std::string> display_;
    bool ready_ = false;
    std::vector<std::unique_ptr<Subprocess>> children_;
};

// A test with a session of its own, skipped where the runner gave no session bus or no private
// one could be started. Fixtures that set up more call this SetUp first and stop when it
// skipped.
class AgentSessionTest : public testing::Test {
  protected:
    void SetUp() override;

    std::unique_ptr<AgentSession> session;
};

}  // namespace testsupport
