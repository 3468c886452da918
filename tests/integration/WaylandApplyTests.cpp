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
#include "tests/support/ScopedEnv.h"
#include "tests/support/WaylandCompositor.h"

using testsupport::AgentSession;
using testsupport::run;
using testsupport::RunResult;
using testsupport::Subprocess;
using testsupport::WaylandCompositor;
namespace fs = std::filesystem;

namespace {

constexpr const char* kShared = AgentSession::kSharedDomain;

class WaylandApply : public testing::Test {
  protected:
    // `standIns`: programs playing the desktop's services, started before the agent.
    void start(WaylandCompositor::Kind kind, const std::vector<std::string>& settings = {},
               const std::vector<std::string>& standIns = {}) {
        if (!AgentSession::runnerHasSessionBus())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        session = std::make_unique<AgentSession>();
        ASSERT_TRUE(session->ready());
        compositor = std::make_unique<WaylandCompositor>(kind);
        ASSERT_TRUE(compositor->ready()) << compositor->error();
        // A portal an earlier probe on this bus started would answer in a stand-in's place.
        if (kind == WaylandCompositor::Kind::Mutter || !standIns.empty())
            ASSERT_TRUE(freeName("org.freedesktop.portal.Desktop"));
        if (kind == WaylandCompositor::Kind::Mutter) {
            portal = std::make_unique<Subprocess>(
                std::vector<std::string>{"/usr/bin/python3", PURLANE_MOCK_PORTAL});
            ASSERT_EQ(portal->readLine(AgentSession::kWait), "ready") << portal->stderrText();
        }
        for (const std::string& script : standIns) {
            services.push_back(
                std::make_unique<Subprocess>(std::vector<std::string>{"/usr/bin/python3", script}));
            ASSERT_EQ(services.back()->readLine(AgentSession::kWait), "ready")
                << services.back()->stderrText();
        }
        if (!settings.empty()) ASSERT_EQ(session->ctl(settings).status, 0);
        agent = session->startWithEngine();
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

    // Ends the program that owns `name` on the session bus, if any.
    static bool freeName(const std::string& name) {
        const auto ask = [&](const std::string& method) {
            return run({"/usr/bin/dbus-send", "--session", "--print-reply=literal",
                        "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                        "org.freedesktop.DBus." + method, "string:" + name});
        };
        const RunResult owner = ask("GetConnectionUnixProcessID");
        if (owner.status != 0) return true;
        const int pid = std::atoi(owner.out.substr(owner.out.find_last_of(' ') + 1).c_str());
        if (pid > 0) kill(pid, SIGTERM);
        return AgentSession::waitFor(
            [&] { return ask("NameHasOwner").out.find("false") != std::string::npos; });
    }
    // A native Wayland editor holding `text`, all of it selected.
    void startEditor(const std::string& text) {
        testsupport::ScopedEnv wayland("QT_QPA_PLATFORM", "wayland");
        editor = std::make_unique<Subprocess>(std::vector<std::string>{
            (fs::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow").string(), text});
    }
    // The editor, with the keyboard focus.
    void openEditor(const std::string& text) {
        startEditor(text);
        ASSERT_TRUE(AgentSession::waitFor([&] { return focusedPid() == editor->pid(); }))
            << editor->stderrText();
    }
    // The same where no compositor can be asked: the editor says when it has the focus.
    void openEditorAndWaitForFocus(const std::string& text) {
        startEditor(text);
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
    std::vector<std::unique_ptr<Subprocess>> services;
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
    ASSERT_EQ(session->defaultsWrite("PreserveClipboard", {"-bool", "true"}, kShared), 0);
    ASSERT_EQ(session->defaultsWrite("PreserveClipboardExpectionList",
                                     {"-array", "purlane_textwindow"}, kShared),
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

// The stored form of one clean-text shortcut on Control-Option-U.
constexpr const char* kUpperOnControlOptionU =
    "<dict><key>list</key><array><dict><key>uuid</key><string>A1</string>"
    "<key>keycode</key><integer>32</integer><key>modifiersRaw</key><integer>786432</integer>"
    "<key>group</key><string>#current</string><key>cleaner</key><string>#UPPER</string>"
    "<key>type</key><integer>0</integer></dict></array></dict>";

// An order to a stand-in of the tests' own.
RunResult order(const std::string& service, const std::string& method,
                const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> argv{"/usr/bin/dbus-send",    "--session",
                                  "--print-reply=literal", "--dest=" + service,
                                  "/org/purlane/test",     method};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run(argv);
}

RunResult shortcutsPortal(const std::string& method, const std::string& argument = {}) {
    return order("org.freedesktop.portal.Desktop", "org.purlane.test.MockGlobalShortcuts." + method,
                 argument.empty() ? std::vector<std::string>{}
                                  : std::vector<std::string>{"string:" + argument});
}

// Writes a PNG of the compositor's output under build/screenshots/.
void screenshot(const std::string& name) {
    const fs::path folder = fs::path(PURLANE_BUILD_DIR) / "screenshots";
    fs::create_directories(folder);
    run({"/usr/bin/grim", (folder / (name + ".png")).string()});
}

TEST_F(WaylandApply, OnSwayTheTrayIconOpensThePopoverAsAWindowAndItsChoiceCleans) {
    start(WaylandCompositor::Kind::Sway, {}, {PURLANE_MOCK_WATCHER});
    constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
    ASSERT_TRUE(AgentSession::waitFor([&] {
        return order(kWatcher, "org.purlane.test.MockStatusWatcher.Items").out.find(':') !=
               std::string::npos;
    })) << agent->stderrText();

    openEditor("make me loud");
    ASSERT_EQ(
        order(kWatcher, "org.purlane.test.MockStatusWatcher.Activate", {"int32:1000", "int32:4"})
            .status,
        0);
    ASSERT_TRUE(AgentSession::waitFor([&] { return focusedPid() == agent->pid(); }))
        << agent->stderrText();
    run({"/usr/bin/wtype", "-d", "40", "upper"});
    screenshot("Wayland-Sway-popover");
    run({"/usr/bin/wtype", "-k", "Down", "-k", "Return"});
    EXPECT_TRUE(editorShows("MAKE ME LOUD")) << editor->stdoutText();
    EXPECT_TRUE(AgentSession::waitFor([&] { return focusedPid() == editor->pid(); }));
}

TEST_F(WaylandApply, OnSwayAHotKeyBoundThroughTheGlobalShortcutsPortalCleansTheSelection) {
    // Sway has no global-shortcuts portal of its own: the stand-in is the desktop's.
    start(WaylandCompositor::Kind::Sway,
          {"defaults", "write", AgentSession::kAgentID, "agent.shortcuts", kUpperOnControlOptionU},
          {PURLANE_MOCK_SHORTCUTS});
    ASSERT_TRUE(agent->waitForStderr("hot keys: GlobalShortcuts portal", AgentSession::kWait))
        << agent->stderrText();
    // The desktop was asked for the stored keys.
    std::string bound;
    ASSERT_TRUE(AgentSession::waitFor([&] {
        bound = shortcutsPortal("Bound").out;
        return bound.find("CTRL+ALT+u") != std::string::npos;
    })) << bound;
    const size_t at = bound.find("hotkey-");
    ASSERT_NE(at, std::string::npos) << bound;
    const std::string id = bound.substr(at, bound.find_first_of(" \n)", at) - at);

    openEditor("press me");
    ASSERT_EQ(shortcutsPortal("Press", id).status, 0);
    ASSERT_EQ(shortcutsPortal("Release", id).status, 0);
    EXPECT_TRUE(editorShows("PRESS ME")) << editor->stdoutText();
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
