// Cleaning the selection of real applications nobody here wrote, on a desktop of the test's
// own: a GTK entry (zenity) and a terminal (lxterminal), driven with xdotool as a user would,
// the clipboard read with xclip, the agent and the sample engine of the build doing the work.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>

#include "tests/support/AgentSession.h"
#include "tests/support/XDesktop.h"

using testsupport::AgentSession;
using testsupport::run;
using testsupport::RunResult;
using testsupport::Subprocess;
using testsupport::XDesktop;
namespace fs = std::filesystem;

namespace {

constexpr const char* kShared = "KQ4MZR7WXN.com.halvik.purlane";
constexpr const char* kZenityID = "org.gnome.Zenity";

RunResult xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    return run(args, {}, 30);
}

class ApplyOnDesktop : public testing::Test {
  protected:
    void SetUp() override {
        if (!AgentSession::runnerHasSessionBus())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        desktop = std::make_unique<XDesktop>();
        ASSERT_TRUE(desktop->ready()) << desktop->error();
        session = std::make_unique<AgentSession>(desktop->display());
        ASSERT_TRUE(session->ready());
        // Debian's zenity ships no desktop entry; this one gives it its identifier, as an
        // installed application has, so the clipboard rules can name it.
        const fs::path entries = session->dataHome() / "applications";
        fs::create_directories(entries);
        std::ofstream(entries / (std::string(kZenityID) + ".desktop"))
            << "[Desktop Entry]\nType=Application\nName=Zenity\nExec=zenity\n"
               "StartupWMClass=Zenity\n";
        ASSERT_EQ(session->registerEngine().status, 0);
        agent = session->startAgent();
        ASSERT_NE(agent, nullptr);
    }
    void TearDown() override {
        if (HasFailure() && desktop && desktop->ready()) {
            desktop->screenshot(testing::UnitTest::GetInstance()->current_test_info()->name());
            if (agent) agent->signal(SIGTERM), agent->wait(10);
            if (agent)
                ADD_FAILURE() << "agent said:\n" << agent->stdoutText() << agent->stderrText();
        }
        field.reset();
        session.reset();
        desktop.reset();
    }

    void setShared(const std::string& key, const std::vector<std::string>& value) {
        std::vector<std::string> args{"defaults", "write", kShared, key};
        args.insert(args.end(), value.begin(), value.end());
        ASSERT_EQ(session->ctl(args).status, 0);
    }

    // A GTK entry holding `text`, all of it selected, in front.
    void openField(const std::string& text) {
        field = std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/bin/zenity", "--entry", "--text=Text"});
        ASSERT_TRUE(AgentSession::waitFor([&] {
            const auto window = desktop->windowOfProcess(field->pid());
            return window && desktop->activeWindow() == window;
        })) << field->stderrText();
        ASSERT_EQ(xdotool({"type", "--delay", "20", text}).status, 0);
        ASSERT_EQ(xdotool({"key", "ctrl+a"}).status, 0);
    }
    // What the entry holds: zenity prints it when the user presses Return.
    std::string fieldText() {
        xdotool({"key", "Return"});
        const auto line = field->readLine(AgentSession::kWait);
        return line.value_or("<nothing>");
    }
    RunResult apply(const std::string& cleaner, const std::string& option = "standard") {
        return session->script({"apply cleaner", cleaner, "--option", option});
    }
    // Puts `data` on the CLIPBOARD as another application would; xclip serves it until the
    // selection is taken.
    void putOnClipboard(const std::string& data, const std::string& type) {
        clipboardOwner = std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/bin/xclip", "-quiet", "-selection", "clipboard", "-t",
                                     type, "-i"},
            data);
        ASSERT_TRUE(AgentSession::waitFor([&] { return XDesktop::clipboard(type) == data; }));
    }

    std::unique_ptr<XDesktop> desktop;
    std::unique_ptr<AgentSession> session;
    Subprocess* agent = nullptr;
    std::unique_ptr<Subprocess> field;
    std::unique_ptr<Subprocess> clipboardOwner;
};

TEST_F(ApplyOnDesktop, TheSelectionOfAGtkFieldIsReplacedByTheCleanedText) {
    openField("make me loud");
    const RunResult r = apply("cc.shout");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fieldText(), "MAKE ME LOUD!");
}

TEST_F(ApplyOnDesktop, TheSelectionOfAQtEditorIsReplacedByTheCleanedText) {
    field = std::make_unique<Subprocess>(std::vector<std::string>{
        (fs::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow").string(), "first line\nsecond"});
    ASSERT_TRUE(AgentSession::waitFor([&] {
        const auto window = desktop->windowOfProcess(field->pid());
        return window && desktop->activeWindow() == window;
    })) << field->stderrText();
    ASSERT_EQ(apply("#UPPER").status, 0);
    std::optional<std::string> line;
    while ((line = field->readLine(AgentSession::kWait)) && *line != "text: FIRST LINE\\nSECOND") {
    }
    EXPECT_TRUE(line.has_value()) << field->stdoutText();
}

TEST_F(ApplyOnDesktop, PreservingPutsTheUsersTextAndPictureBack) {
    setShared("PreserveClipboard", {"-bool", "true"});
    setShared("PreserveClipboardExpectionList", {"-array", kZenityID});
    openField("upper me");
    putOnClipboard("earlier text", "UTF8_STRING");
    ASSERT_EQ(apply("#UPPER").status, 0);
    EXPECT_TRUE(AgentSession::waitFor([] { return XDesktop::clipboard() == "earlier text"; }))
        << XDesktop::clipboard();
    EXPECT_EQ(fieldText(), "UPPER ME");

    // A picture on the clipboard comes back byte for byte.
    openField("second");
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR-not-a-real-picture", 32);
    putOnClipboard(png, "image/png");
    ASSERT_EQ(apply("#UPPER").status, 0);
    EXPECT_TRUE(AgentSession::waitFor([&] { return XDesktop::clipboard("image/png") == png; }));
    EXPECT_EQ(fieldText(), "SECOND");
}

TEST_F(ApplyOnDesktop, LeavingOnTheClipboardKeepsTheFieldAsItWas) {
    openField("keep this");
    ASSERT_EQ(apply("#UPPER", "leave").status, 0);
    EXPECT_TRUE(AgentSession::waitFor([] { return XDesktop::clipboard() == "KEEP THIS"; }))
        << XDesktop::clipboard();
    EXPECT_EQ(fieldText(), "keep this");
}

TEST_F(ApplyOnDesktop, OtherLayoutsAndAHeldModifierStillCopyAndPaste) {
    struct Case {
        const char* name;
        std::vector<std::string> setxkbmap;
        bool holdAlt;
    };
    const Case cases[] = {
        {"dvorak", {"-layout", "us", "-variant", "dvorak"}, false},
        {"russian first", {"-layout", "ru,us"}, false},
        {"alt held", {"-layout", "us"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        run({"/usr/bin/setxkbmap", "-layout", "us"});
        openField("layout test");
        std::vector<std::string> args{"/usr/bin/setxkbmap"};
        args.insert(args.end(), c.setxkbmap.begin(), c.setxkbmap.end());
        ASSERT_EQ(run(args).status, 0);
        if (c.holdAlt) xdotool({"keydown", "alt"});
        ASSERT_EQ(apply("#UPPER").status, 0);
        if (c.holdAlt) xdotool({"keyup", "alt"});
        run({"/usr/bin/setxkbmap", "-layout", "us"});
        EXPECT_EQ(fieldText(), "LAYOUT TEST");
        field.reset();
    }
}

TEST_F(ApplyOnDesktop, InATerminalTheLineIsPastedAtThePromptWithoutInterruptingTheProgram) {
    const fs::path out = session->home() / "terminal-line.txt";
    const std::string script =
        "echo hello world; read line; echo \"$line\" > '" + out.string() + "'; sleep 30";
    field = std::make_unique<Subprocess>(
        std::vector<std::string>{"/usr/bin/lxterminal", "--no-remote", "-e", "sh", "-c", script});
    std::optional<uint32_t> window;
    ASSERT_TRUE(AgentSession::waitFor([&] {
        window = desktop->windowOfProcess(field->pid());
        return window && desktop->activeWindow() == window;
    })) << field->stderrText();
    // Three clicks on the first line (below the menu bar) select it, as a user does.
    const std::string id = std::to_string(*window);
    xdotool({"mousemove", "--window", id, "30", "36"});
    xdotool({"click", "--repeat", "3", "--delay", "80", "1"});

    ASSERT_EQ(apply("#UPPER").status, 0);
    xdotool({"key", "Return"});
    ASSERT_TRUE(AgentSession::waitFor([&] { return fs::exists(out) && fs::file_size(out) > 0; }))
        << "the program did not get its line";
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.substr(0, 11), "HELLO WORLD");
    EXPECT_TRUE(field->running()) << "the terminal's program was interrupted";
}

}  // namespace
