// Cleaning the selection of real applications nobody here wrote, on a desktop of the test's
// own: a GTK entry (zenity) and a terminal (lxterminal), driven with xdotool as a user would,
// the clipboard read with xclip, the agent and the sample engine of the build doing the work.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <filesystem>
#include <fstream>

#include "platform/input/KeyCodeMap.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "tests/support/AgentDesktopTest.h"

using testsupport::AgentSession;
using testsupport::run;
using testsupport::RunResult;
using testsupport::Subprocess;
using testsupport::XDesktop;
namespace fs = std::filesystem;

namespace {

class ApplyOnDesktop : public testsupport::AgentDesktopTest {
  protected:
    void setShared(const std::string& key, const std::vector<std::string>& value) {
        ASSERT_EQ(session->defaultsWrite(key, value, AgentSession::kSharedDomain), 0);
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

    std::unique_ptr<Subprocess> clipboardOwner;
};

TEST_F(ApplyOnDesktop, TheSelectionOfAGtkFieldIsReplacedByTheCleanedText) {
    openField("make me loud");
    const RunResult r = apply("cc.shout");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fieldText(), "MAKE ME LOUD!");
}

TEST_F(ApplyOnDesktop, TheSelectionOfAQtEditorIsReplacedByTheCleanedText) {
    openEditor("first line\nsecond");
    ASSERT_EQ(apply("#UPPER").status, 0);
    EXPECT_TRUE(editorShows("FIRST LINE\\nSECOND")) << field->stdoutText();
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

// The user's keyboard is left as it was: a held Alt is pressed again after the copy and paste,
// and a Cyrillic group comes back after the Latin one the Command keys were typed in.
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
    const uint8_t alt = *platform::KeyCodeMap::x11KeyCode(58);
    const auto altDown = [&] {
        xcb_connection_t* c = xcb_connect(desktop->display().c_str(), nullptr);
        auto* keymap = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
        const bool down = keymap && (keymap->keys[alt / 8] & (1 << (alt % 8)));
        free(keymap);
        xcb_disconnect(c);
        return down;
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
        if (c.holdAlt) EXPECT_TRUE(altDown()) << "Alt was not pressed again";
        if (c.holdAlt) xdotool({"keyup", "alt"});
        const auto layout = platform::XkbKeyboardLayout::fromDisplay(desktop->display());
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->currentGroup(), 0u) << "the user's group was not restored";
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
    ASSERT_TRUE(waitUntilInFront(*field)) << field->stderrText();
    const auto window = desktop->windowOfProcess(field->pid());
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
