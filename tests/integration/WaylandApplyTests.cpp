// The agent on Wayland desktops started by the tests, with the sample engine and a native
// Wayland Qt editor: on Sway (data-control, a virtual keyboard, Sway's IPC) the selection is
// cleaned by `apply cleaner` and the user's clipboard comes back; on Weston, which offers none
// of these, the agent starts, says what it cannot do and claims nothing; on Mutter, behind a
// stand-in portal that forwards to Mutter's own remote-desktop API as GNOME's portal does, the
// keys and the clipboard go through the portal's session.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/support/AgentSession.h"
#include "tests/support/WaylandCompositor.h"

using testsupport::AgentSession;
using testsupport::run;
using testsupport::RunResult;
using testsupport::Subprocess;
using testsupport::WaylandCompositor;
namespace fs = std::filesystem;

namespace {

constexpr const char* kShared = "KQ4MZR7WXN.com.halvik.purlane";

class WaylandApply : public testing::Test {
  protected:
    void start(WaylandCompositor::Kind kind) {
        if (!AgentSession::runnerHasSessionBus())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        session = std::make_unique<AgentSession>();
        ASSERT_TRUE(session->ready());
        compositor = std::make_unique<WaylandCompositor>(kind);
        ASSERT_TRUE(compositor->ready()) << compositor->error();
        if (kind == WaylandCompositor::Kind::Mutter) {
            // A portal an earlier probe on this bus started would answer in the stand-in's
            // place.
            const RunResult owner = run({"/usr/bin/dbus-send", "--session", "--print-reply=literal",
                                         "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus.GetConnectionUnixProcessID",
                                         "string:org.freedesktop.portal.Desktop"});
            if (owner.status == 0) {
                const int pid =
                    std::atoi(owner.out.substr(owner.out.find_last_of(' ') + 1).c_str());
                if (pid > 0) kill(pid, SIGTERM);
                ASSERT_TRUE(AgentSession::waitFor([] {
                    return run({"/usr/bin/dbus-send", "--session", "--print-reply",
                                "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus.NameHasOwner",
                                "string:org.freedesktop.portal.Desktop"})
                               .out.find("boolean false") != std::string::npos;
                }));
            }
            portal = std::make_unique<Subprocess>(
                std::vector<std::string>{"/usr/bin/python3", PURLANE_MOCK_PORTAL});
            ASSERT_EQ(portal->readLine(AgentSession::kWait), "ready") << portal->stderrText();
        }
        ASSERT_EQ(session->registerEngine().status, 0);
        agent = session->startAgent();
        ASSERT_NE(agent, nullptr);
    }
    void TearDown() override {
        if (HasFailure() && agent) {
            agent->signal(SIGTERM);
            agent->wait(5);
            std::cerr << "agent said:\n" << agent->stderrText() << "\n";
            if (compositor) std::cerr << "compositor said:\n" << compositor->log() << "\n";
        }
    }

    // A native Wayland editor holding `text`, all of it selected, with the keyboard focus.
    void openEditor(const std::string& text) {
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        editor = std::make_unique<Subprocess>(std::vector<std::string>{
            (fs::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow").string(), text});
        unsetenv("QT_QPA_PLATFORM");
        ASSERT_TRUE(AgentSession::waitFor([&] { return focusedPid() == editor->pid(); }))
            << editor->stderrText();
    }
    // The same where no compositor can be asked: the editor says when it has the focus.
    void openEditorAndWaitForFocus(const std::string& text) {
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        editor = std::make_unique<Subprocess>(std::vector<std::string>{
            (fs::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow").string(), text});
        unsetenv("QT_QPA_PLATFORM");
        ASSERT_EQ(editor->readLine(AgentSession::kWait), "focused") << editor->stderrText();
    }
    // The process of the window Sway gives the keyboard.
    int focusedPid() {
        const RunResult tree = run({"/usr/bin/swaymsg", "-t", "get_tree", "-r"});
        if (tree.status != 0) return -1;
        std::vector<nlohmann::json> nodes{nlohmann::json::parse(tree.out, nullptr, false)};
        while (!nodes.empty()) {
            const nlohmann::json node = nodes.back();
            nodes.pop_back();
            if (!node.is_object()) continue;
            if (node.value("focused", false) && node.contains("pid")) return node["pid"];
            for (const char* key : {"nodes", "floating_nodes"})
                if (node.contains(key))
                    for (const auto& child : node[key]) nodes.push_back(child);
        }
        return -1;
    }
    bool editorShows(const std::string& text) {
        std::optional<std::string> line;
        while ((line = editor->readLine(AgentSession::kWait)) && *line != "text: " + text) {
        }
        return line.has_value();
    }
    // What a user's clipboard tool reads.
    static std::string clipboard(const std::string& type) {
        return run({"/usr/bin/wl-paste", "--no-newline", "--type", type}, {}, 10).out;
    }

    std::unique_ptr<Subprocess> portal;
    std::unique_ptr<AgentSession> session;
    std::unique_ptr<WaylandCompositor> compositor;
    Subprocess* agent = nullptr;
    std::unique_ptr<Subprocess> editor;
};

TEST_F(WaylandApply, OnSwayTheSelectionIsCleanedAndTheUsersClipboardComesBack) {
    start(WaylandCompositor::Kind::Sway);
    ASSERT_TRUE(agent->waitForStderr("clipboard: wlr data-control", AgentSession::kWait))
        << agent->stderrText();
    // Every application's clipboard is restored; a picture is the hard case.
    ASSERT_EQ(
        session->ctl({"defaults", "write", kShared, "PreserveClipboard", "-bool", "true"}).status,
        0);
    ASSERT_EQ(session
                  ->ctl({"defaults", "write", kShared, "PreserveClipboardExpectionList", "-array",
                         "purlane_textwindow"})
                  .status,
              0);
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR-not-a-real-picture", 32);
    Subprocess copier({"/usr/bin/wl-copy", "--type", "image/png"}, png);
    ASSERT_TRUE(AgentSession::waitFor([&] { return clipboard("image/png") == png; }));

    openEditor("quiet words");
    const RunResult r = session->script({"apply cleaner", "#UPPER"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(editorShows("QUIET WORDS")) << editor->stdoutText();
    EXPECT_TRUE(AgentSession::waitFor([&] { return clipboard("image/png") == png; }))
        << "the clipboard holds " << clipboard("text/plain");

    // Leaving the result on the clipboard: the editor keeps its text.
    openEditor("to the clipboard");
    ASSERT_EQ(session->script({"apply cleaner", "#UPPER", "--option", "leave"}).status, 0);
    EXPECT_TRUE(AgentSession::waitFor([&] {
        return clipboard("text/plain;charset=utf-8") == "TO THE CLIPBOARD";
    })) << clipboard("text/plain");
}

TEST_F(WaylandApply, OnMutterKeysAndClipboardGoThroughThePortalsSession) {
    start(WaylandCompositor::Kind::Mutter);
    ASSERT_TRUE(agent->waitForStderr("keys: RemoteDesktop portal, clipboard: Clipboard portal",
                                     AgentSession::kWait))
        << agent->stderrText();
    openEditorAndWaitForFocus("from the portal");
    const RunResult r = session->script({"apply cleaner", "#UPPER"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(editorShows("FROM THE PORTAL")) << editor->stdoutText();
    // The permission was asked once and kept for the next start.
    EXPECT_EQ(
        session->ctl({"defaults", "read", AgentSession::kAgentID, "RemoteDesktopRestoreToken"})
            .status,
        0);
}

TEST_F(WaylandApply, OnWestonTheAgentSaysWhatItCannotDoAndClaimsNothing) {
    start(WaylandCompositor::Kind::Weston);
    EXPECT_TRUE(agent->waitForStderr("keys: none, clipboard: none", AgentSession::kWait))
        << agent->stderrText();
    EXPECT_TRUE(agent->waitForStderr("cannot be applied in place", AgentSession::kWait))
        << agent->stderrText();
    const RunResult r = session->script({"apply cleaner", "#UPPER"});
    EXPECT_TRUE(agent->waitForStderr("cleaners cannot be applied in place in this session",
                                     AgentSession::kWait))
        << r.out << r.err;
    EXPECT_TRUE(agent->running());
    // Its own pasteboards still work between our programs.
    ASSERT_EQ(session->ctl({"pasteboard", "copy"}, "ours").status, 0);
    EXPECT_EQ(session->ctl({"pasteboard", "paste"}).out, "ours");
}

}  // namespace
