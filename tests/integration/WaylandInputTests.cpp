// Synthetic keys and the front application on a headless Sway of the test's own: Qt editors as
// native Wayland clients receive the virtual keyboard's keys and the clipboard keys, Sway's IPC
// and foreign-toplevel management see which one is in front and bring one forward.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"
#include "platform/linux/wayland/ForeignToplevelApplications.h"
#include "platform/linux/wayland/SwayForeignApplications.h"
#include "platform/linux/wayland/VirtualKeyboardKeyEvents.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaylandCompositor.h"

using namespace platform;
using testsupport::Subprocess;
using testsupport::WaylandCompositor;
namespace fs = std::filesystem;

namespace {

constexpr double kWait = 20;

bool waitUntil(const std::function<bool()>& done, double seconds = kWait) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class WaylandInput : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"QT_QPA_PLATFORM", "XDG_DATA_HOME"}) {
            if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
        }
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        compositor = std::make_unique<WaylandCompositor>(WaylandCompositor::Kind::Sway);
        if (!compositor->ready()) GTEST_SKIP() << compositor->error();
        layout = XkbKeyboardLayout::fromNames(names);
        ASSERT_NE(layout, nullptr);
        apps = SwayForeignApplications::open();
        ASSERT_NE(apps, nullptr);
        apps->setFrontmostChanged([this](const WindowedApplication& app) {
            std::lock_guard lock(mutex);
            reported.push_back(app);
        });
        keys = VirtualKeyboardKeyEvents::open(
            *layout, [this] { return clipboardKeys; }, apps.get());
        ASSERT_NE(keys, nullptr);
        ASSERT_TRUE(keys->hasEventSource());
    }

    void TearDown() override {
        keys.reset();
        apps.reset();
        editors.clear();
        if (HasFailure() && compositor) ADD_FAILURE() << "sway said:\n" << compositor->log();
        compositor.reset();
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("XDG_DATA_HOME");
        for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
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
        EXPECT_TRUE(waitUntil([&] { return frontPid() == editor.pid(); })) << editor.stderrText();
        return editor;
    }

    int frontPid() {
        const auto front = apps->frontmost();
        return front ? front->pid : 0;
    }

    bool shows(Subprocess& editor, const std::string& text) {
        std::optional<std::string> line;
        while ((line = editor.readLine(kWait)) && *line != "text: " + text) {
        }
        return line.has_value();
    }

    bool wasReported(int pid) {
        std::lock_guard lock(mutex);
        for (const auto& app : reported)
            if (app.pid == pid) return true;
        return false;
    }

    // Lower-case letters by the keys that type them, Shift for upper case.
    void type(int pid, const std::string& text) {
        for (char c : text) {
            const bool upper = c >= 'A' && c <= 'Z';
            const std::string wanted(1, upper ? static_cast<char>(c - 'A' + 'a') : c);
            std::optional<uint16_t> code;
            for (uint16_t k = 0; k < VirtualKey::kCount && !code; ++k) {
                const auto translation = layout->translate(k);
                if (translation && translation->characters == wanted) code = k;
            }
            ASSERT_TRUE(code) << c;
            press(pid, *code, upper ? ModifierFlags::shift : 0);
        }
    }

    void press(int pid, uint16_t code, uint64_t flags) {
        keys->postToPid(pid, {code, true, flags});
        keys->postToPid(pid, {code, false, 0});
    }

    std::string clipboard() { return testsupport::run({"/usr/bin/wl-paste", "--no-newline"}).out; }

    static constexpr uint16_t kA = 0, kC = 8, kV = 9;

    XkbKeyboardLayout::Names names{"us", "", "", "", ""};
    testsupport::TempDir data, programs;
    std::vector<std::pair<std::string, std::string>> saved;
    std::unique_ptr<WaylandCompositor> compositor;
    std::unique_ptr<XkbKeyboardLayout> layout;
    std::unique_ptr<SwayForeignApplications> apps;
    std::unique_ptr<VirtualKeyboardKeyEvents> keys;
    PropertyList clipboardKeys;
    std::vector<std::unique_ptr<Subprocess>> editors;
    std::mutex mutex;
    std::vector<WindowedApplication> reported;
};

TEST_F(WaylandInput, KeysReachTheEditorWithTheClipboardKeysOfItsApplication) {
    Subprocess& editor = openEditor("old");
    type(editor.pid(), "Hi");
    ASSERT_TRUE(shows(editor, "Hi"));

    // Command-A and Command-C: Control-A, Control-C in the editor.
    press(editor.pid(), kA, ModifierFlags::command);
    press(editor.pid(), kC, ModifierFlags::command);
    EXPECT_TRUE(waitUntil([&] { return clipboard() == "Hi"; })) << clipboard();
    ASSERT_EQ(testsupport::run({"/usr/bin/wl-copy", "pasted"}).status, 0);
    press(editor.pid(), kV, ModifierFlags::command);
    EXPECT_TRUE(shows(editor, "pasted"));

    // A terminal's clipboard keys as the user set them, chosen by the app_id Sway reports.
    clipboardKeys = PropertyList::Dictionary{
        {"foot", PropertyList::Dictionary{{"paste", PropertyList(std::string("shift+insert"))}}}};
    Subprocess& terminal = openEditor("x", "foot");
    press(terminal.pid(), kV, ModifierFlags::command);
    EXPECT_TRUE(shows(terminal, "pasted"));

    // Keys for the editor behind the terminal bring it forward first.
    type(editor.pid(), "ok");
    EXPECT_TRUE(shows(editor, "pastedok"));
    EXPECT_EQ(frontPid(), editor.pid());
}

class WaylandInputInCyrillic : public WaylandInput {
  protected:
    WaylandInputInCyrillic() { names.layout = "ru,us"; }
};

TEST_F(WaylandInputInCyrillic, TypesWithTheLayoutsKeymapInTheUsersGroupAndCopiesWithCommandKeys) {
    Subprocess& editor = openEditor("old");
    constexpr uint16_t kF = 3;
    press(editor.pid(), kF, 0);
    ASSERT_TRUE(shows(editor, "а"));
    press(editor.pid(), kA, ModifierFlags::command);
    press(editor.pid(), kC, ModifierFlags::command);
    EXPECT_TRUE(waitUntil([&] { return clipboard() == "а"; })) << clipboard();
}

TEST_F(WaylandInput, SwayTellsTheFrontApplicationAndBringsOneForward) {
    data.write("applications/other_editor.desktop",
               "[Desktop Entry]\nType=Application\nName=Other Editor\nExec=other_editor\n");
    Subprocess& first = openEditor("one");
    Subprocess& second = openEditor("two", "other_editor");
    EXPECT_TRUE(waitUntil([&] { return wasReported(second.pid()); }));
    const auto front = apps->frontmost();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->localizedName, "Other Editor");
    EXPECT_EQ(front->bundleIdentifier, "other_editor");

    const auto all = apps->withWindows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].pid, first.pid());
    EXPECT_EQ(all[0].bundleIdentifier, "purlane_textwindow");
    EXPECT_EQ(all[1].pid, second.pid());

    ASSERT_TRUE(apps->activate(first.pid()));
    EXPECT_EQ(frontPid(), first.pid());
    EXPECT_TRUE(waitUntil([&] { return wasReported(first.pid()); }));
    EXPECT_FALSE(apps->activate(second.pid() + 100000));
    EXPECT_EQ(frontPid(), first.pid());
}

TEST_F(WaylandInput, ForeignToplevelsNameTheFrontApplicationByItsAppId) {
    auto toplevels = ForeignToplevelApplications::open();
    ASSERT_NE(toplevels, nullptr);
    std::mutex appIdsMutex;
    std::vector<std::string> appIds;
    toplevels->setFrontmostChanged([&](const WindowedApplication& app) {
        std::lock_guard lock(appIdsMutex);
        appIds.push_back(app.bundleIdentifier.value_or(""));
    });
    const auto frontAppId = [&] {
        const auto front = toplevels->frontmost();
        return front ? front->bundleIdentifier.value_or("") : "";
    };
    Subprocess& first = openEditor("one");
    openEditor("two", "other_editor");
    EXPECT_TRUE(waitUntil([&] { return frontAppId() == "other_editor"; }));
    EXPECT_EQ(toplevels->frontmost()->pid, 0);
    EXPECT_EQ(toplevels->withWindows().size(), 2u);

    EXPECT_FALSE(toplevels->activate(first.pid()));
    ASSERT_TRUE(toplevels->activateApplication("purlane_textwindow"));
    EXPECT_TRUE(waitUntil([&] { return frontAppId() == "purlane_textwindow"; }));
    EXPECT_EQ(frontPid(), first.pid());
    EXPECT_FALSE(toplevels->activateApplication("nobody"));

    // Knowing no processes, keys go to whatever has the focus.
    auto focusedKeys = VirtualKeyboardKeyEvents::open(*layout, {}, toplevels.get());
    ASSERT_NE(focusedKeys, nullptr);
    focusedKeys->postToPid(first.pid() + 100000, {kA, true, ModifierFlags::shift});
    focusedKeys->postToPid(first.pid() + 100000, {kA, false, 0});
    EXPECT_TRUE(shows(first, "A"));
    std::lock_guard lock(appIdsMutex);
    EXPECT_EQ(appIds, (std::vector<std::string>{"purlane_textwindow", "other_editor",
                                                "purlane_textwindow"}));
}

TEST(WaylandInputWithoutCompositor, NothingOpensWithoutADisplay) {
    auto layout = XkbKeyboardLayout::fromNames({"us", "", "", "", ""});
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(VirtualKeyboardKeyEvents::open(*layout, {}, nullptr, "/nonexistent/wayland-0"),
              nullptr);
    EXPECT_EQ(ForeignToplevelApplications::open("/nonexistent/wayland-0"), nullptr);
    EXPECT_EQ(SwayForeignApplications::open("/nonexistent/sway-ipc.sock"), nullptr);
}

}  // namespace
