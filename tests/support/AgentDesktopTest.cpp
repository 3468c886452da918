#include "tests/support/AgentDesktopTest.h"

#include <signal.h>

#include <filesystem>
#include <fstream>

namespace testsupport {

namespace fs = std::filesystem;

void AgentDesktopTest::startDesktop() {
    if (!AgentSession::runnerHasSessionBus())
        GTEST_SKIP() << "no session bus: run under dbus-run-session";
    desktop = std::make_unique<XDesktop>();
    ASSERT_TRUE(desktop->ready()) << desktop->error();
    session = std::make_unique<AgentSession>(desktop->display());
    ASSERT_TRUE(session->ready());
}

void AgentDesktopTest::SetUp() {
    startDesktop();
    if (IsSkipped() || HasFatalFailure()) return;
    // Debian's zenity ships no desktop entry; this one gives it its identifier, as an installed
    // application has, so rules can name it.
    const fs::path entries = session->dataHome() / "applications";
    fs::create_directories(entries);
    std::ofstream(entries / (std::string(kZenityID) + ".desktop"))
        << "[Desktop Entry]\nType=Application\nName=Zenity\nExec=zenity\nStartupWMClass=Zenity\n";
    agent = session->startWithEngine();
    ASSERT_NE(agent, nullptr);
}

void AgentDesktopTest::TearDown() {
    if (HasFailure() && desktop && desktop->ready()) {
        desktop->screenshot(testing::UnitTest::GetInstance()->current_test_info()->name());
        if (agent) {
            agent->signal(SIGTERM);
            agent->wait(10);
            ADD_FAILURE() << "agent said:\n" << agent->stdoutText() << agent->stderrText();
        }
    }
    field.reset();
    session.reset();
    desktop.reset();
}

RunResult AgentDesktopTest::xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    return run(args, {}, 30);
}

bool AgentDesktopTest::waitUntilInFront(Subprocess& program) {
    return AgentSession::waitFor([&] {
        const auto window = desktop->windowOfProcess(program.pid());
        return window && desktop->activeWindow() == window;
    });
}

void AgentDesktopTest::openField(const std::string& text) {
    field = std::make_unique<Subprocess>(
        std::vector<std::string>{"/usr/bin/zenity", "--entry", "--text=Text"});
    ASSERT_TRUE(waitUntilInFront(*field)) << field->stderrText();
    ASSERT_EQ(xdotool({"type", "--delay", "20", text}).status, 0);
    ASSERT_EQ(xdotool({"key", "ctrl+a"}).status, 0);
}

std::string AgentDesktopTest::fieldText() {
    xdotool({"key", "Return"});
    return field->readLine(AgentSession::kWait).value_or("<nothing>");
}

void AgentDesktopTest::openEditor(const std::string& text) {
    field = std::make_unique<Subprocess>(std::vector<std::string>{
        (fs::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow").string(), text});
    ASSERT_TRUE(waitUntilInFront(*field)) << field->stderrText();
}

bool AgentDesktopTest::editorShows(const std::string& text) {
    std::optional<std::string> line;
    while ((line = field->readLine(AgentSession::kWait)) && *line != "text: " + text) {
    }
    return line.has_value();
}

size_t AgentDesktopTest::hotKeyRegistrations() {
    agent->waitForStderr("\x01", 0.05);  // reads what the agent has logged so far
    const std::string& text = agent->stderrText();
    const std::string line = "Attention!! hot key changed";
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

}  // namespace testsupport
