// Synthetic keys and the front application on a headless Sway of the test's own, with Qt editors
// as native Wayland clients. The plain clipboard keys are tested with the agent in
// WaylandApplyTests.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/input/ModifierFlags.h"
#include "platform/linux/wayland/ForeignToplevelApplications.h"
#include "platform/linux/wayland/SwayForeignApplications.h"
#include "platform/linux/wayland/VirtualKeyboardKeyEvents.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitFor.h"
#include "tests/support/WaylandCompositor.h"

using namespace platform;
using testsupport::Subprocess;
using testsupport::WaylandCompositor;
namespace fs = std::filesystem;

namespace {

constexpr double kWait = 20;
constexpr uint16_t kA = 0, kF = 3, kH = 4, kC = 8, kV = 9, kO = 31, kI = 34, kK = 40;

class WaylandInput : public testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        compositor = std::make_unique<WaylandCompositor>(WaylandCompositor::Kind::Sway);
        if (!compositor->ready()) GTEST_SKIP() << compositor->error();
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        layout = XkbKeyboardLayout::fromNames({.layout = "us"});
        apps = SwayForeignApplications::open();
        ASSERT_TRUE(layout && apps);
        apps->setFrontmostChanged([this](const WindowedApplication& app) {
            std::lock_guard lock(mutex);
            reported.push_back(app.pid);
        });
        keys = VirtualKeyboardKeyEvents::open(
            *layout, [this] { return clipboardKeys; }, apps.get());
        ASSERT_TRUE(keys && keys->hasEventSource());
    }

    void TearDown() override {
        keys.reset();
        apps.reset();
        editors.clear();
        if (HasFailure() && compositor) ADD_FAILURE() << "sway said:\n" << compositor->log();
    }

    // The test editor, under another file name when `name` is given: Qt takes the app_id from
    // the executable's name.
    Subprocess& openEditor(const std::string& text, const std::string& name = {}) {
        fs::path program = fs::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow";
        if (!name.empty()) {
            fs::copy_file(program, programs / name, fs::copy_options::overwrite_existing);
            program = programs / name;
        }
        editors.push_back(std::make_unique<Subprocess>(std::vector<std::string>{program, text}));
        Subprocess& editor = *editors.back();
        EXPECT_TRUE(testsupport::waitFor([&] { return frontPid() == editor.pid(); }))
            << editor.stderrText();
        return editor;
    }

    int frontPid() {
        const auto front = apps->frontmost();
        return front ? front->pid : 0;
    }

    static bool shows(Subprocess& editor, const std::string& text) {
        std::optional<std::string> line;
        while ((line = editor.readLine(kWait)) && *line != "text: " + text) {
        }
        return line.has_value();
    }

    bool wasReported(int pid) {
        std::lock_guard lock(mutex);
        return std::find(reported.begin(), reported.end(), pid) != reported.end();
    }

    void press(int pid, uint16_t code, uint64_t flags = 0) {
        keys->postToPid(pid, {code, true, flags});
        keys->postToPid(pid, {code, false, 0});
    }

    testsupport::TempDir data, programs;
    std::unique_ptr<WaylandCompositor> compositor;
    std::unique_ptr<XkbKeyboardLayout> layout;
    std::unique_ptr<SwayForeignApplications> apps;
    std::unique_ptr<VirtualKeyboardKeyEvents> keys;
    PropertyList clipboardKeys;
    std::vector<std::unique_ptr<Subprocess>> editors;
    std::mutex mutex;
    std::vector<int> reported;
};

TEST_F(WaylandInput, KeysReachTheirEditorInItsLayoutWithTheClipboardKeysOfItsApplication) {
    Subprocess& editor = openEditor("old");
    press(editor.pid(), kH, ModifierFlags::shift);
    press(editor.pid(), kI);
    ASSERT_TRUE(shows(editor, "Hi"));

    // A terminal's clipboard keys as the user set them, chosen by the app_id Sway reports.
    clipboardKeys = PropertyList::Dictionary{
        {"foot", PropertyList::Dictionary{{"paste", PropertyList(std::string("shift+insert"))}}}};
    ASSERT_EQ(testsupport::run({"/usr/bin/wl-copy", "pasted"}).status, 0);
    Subprocess& terminal = openEditor("x", "foot");
    press(terminal.pid(), kV, ModifierFlags::command);
    EXPECT_TRUE(shows(terminal, "pasted"));

    // Keys for the editor behind the terminal bring it forward first.
    press(editor.pid(), kO);
    press(editor.pid(), kK);
    EXPECT_TRUE(shows(editor, "Hiok"));
    EXPECT_EQ(frontPid(), editor.pid());

    // Another script first: letters come from the user's group, Command keys still copy.
    keys.reset();
    layout = XkbKeyboardLayout::fromNames({.layout = "ru,us"});
    keys = VirtualKeyboardKeyEvents::open(*layout, {}, apps.get());
    ASSERT_TRUE(keys);
    press(editor.pid(), kA, ModifierFlags::command);
    press(editor.pid(), kF);
    ASSERT_TRUE(shows(editor, "а"));
    press(editor.pid(), kA, ModifierFlags::command);
    press(editor.pid(), kC, ModifierFlags::command);
    const auto copied = [] { return testsupport::run({"/usr/bin/wl-paste", "--no-newline"}).out; };
    EXPECT_TRUE(testsupport::waitFor([&] { return copied() == "а"; })) << copied();
}

// Sway's IPC knows processes and desktop entries; foreign-toplevel management only app_ids.
TEST_F(WaylandInput, SwayAndForeignToplevelsTellTheFrontApplicationAndBringOneForward) {
    data.write("applications/other_editor.desktop",
               "[Desktop Entry]\nType=Application\nName=Other Editor\nExec=other_editor\n");
    auto toplevels = ForeignToplevelApplications::open();
    ASSERT_NE(toplevels, nullptr);
    std::vector<std::string> appIds;
    toplevels->setFrontmostChanged([&](const WindowedApplication& app) {
        std::lock_guard lock(mutex);
        appIds.push_back(app.bundleIdentifier.value_or(""));
    });
    const auto seen = [&] {
        std::lock_guard lock(mutex);
        return appIds;
    };
    Subprocess& first = openEditor("one");
    Subprocess& second = openEditor("two", "other_editor");
    EXPECT_TRUE(
        testsupport::waitFor([&] { return wasReported(second.pid()) && seen().size() == 2; }));
    const auto front = apps->frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->localizedName, "Other Editor");
    EXPECT_EQ(front->bundleIdentifier, "other_editor");
    const auto all = apps->withWindows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::pair(all[0].pid, all[1].pid), std::pair(first.pid(), second.pid()));
    EXPECT_EQ(all[0].bundleIdentifier, "purlane_textwindow");
    EXPECT_EQ(toplevels->withWindows().size(), 2u);
    EXPECT_EQ(toplevels->frontmost()->pid, 0);

    ASSERT_TRUE(apps->activate(first.pid()));
    EXPECT_EQ(frontPid(), first.pid());
    EXPECT_FALSE(apps->activate(second.pid() + 100000));
    EXPECT_FALSE(toplevels->activate(second.pid()));
    EXPECT_FALSE(toplevels->activateApplication("nobody"));
    ASSERT_TRUE(toplevels->activateApplication("other_editor"));
    EXPECT_TRUE(
        testsupport::waitFor([&] { return frontPid() == second.pid() && seen().size() == 4; }));
    EXPECT_EQ(seen(), (std::vector<std::string>{"purlane_textwindow", "other_editor",
                                                "purlane_textwindow", "other_editor"}));

    // Knowing no processes, keys go to whatever has the focus.
    auto focusedKeys = VirtualKeyboardKeyEvents::open(*layout, {}, toplevels.get());
    ASSERT_NE(focusedKeys, nullptr);
    focusedKeys->postToPid(first.pid(), {kA, true, ModifierFlags::shift});
    focusedKeys->postToPid(first.pid(), {kA, false, 0});
    EXPECT_TRUE(shows(second, "A"));
}

}  // namespace
