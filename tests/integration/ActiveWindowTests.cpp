// The front application on a real X desktop: foreign applications (zenity, a GTK program) are
// seen through the window manager's active window, named by their desktop entry or window
// class, posted when they come forward, and brought forward on request.

#include <gtest/gtest.h>

#include <any>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/x11/X11ActiveWindow.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XDesktop.h"

using namespace platform;
using testsupport::Subprocess;
using testsupport::XDesktop;

namespace {

constexpr double kWait = 20;

class ActiveWindow : public testing::Test {
  protected:
    void SetUp() override {
        testsupport::ensureQtApplication();
        desktop = std::make_unique<XDesktop>();
        if (!desktop->ready()) GTEST_SKIP() << "no X desktop: " << desktop->error();
        data.write("applications/org.gnome.Zenity.desktop",
                   "[Desktop Entry]\nType=Application\nName=Zenity Dialogs\nExec=zenity\n"
                   "StartupWMClass=Zenity\n");
        dataHome.emplace("XDG_DATA_HOME", data.path().string());
        workspace = std::make_unique<LinuxWorkspace>(queue, events);
        workspace->setForeignApplications(X11ActiveWindow::open());
        observer = workspace->notificationCenter().addObserver(
            kWorkspaceDidActivateApplication, nullptr, [this](const Notification& n) {
                const auto it = n.userInfo.find(kWorkspaceApplicationKey);
                if (it == n.userInfo.end()) return;
                if (const auto* app = std::any_cast<RunningApplication>(&it->second))
                    activations.push_back(*app);
            });
    }

    void TearDown() override {
        if (workspace) workspace->notificationCenter().removeObserver(observer);
        workspace.reset();
        programs.clear();
        dataHome.reset();
        desktop.reset();
    }

    Subprocess& zenity(const std::string& title) {
        programs.push_back(std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/bin/zenity", "--entry", "--title=" + title}));
        return *programs.back();
    }

    bool frontIs(int pid) {
        const auto front = workspace->frontmostApplication();
        return front && front->processIdentifier() == pid;
    }

    bool activationPosted(int pid) {
        for (const auto& app : activations)
            if (app.processIdentifier() == pid) return true;
        return false;
    }

    std::unique_ptr<XDesktop> desktop;
    testsupport::TempDir data;
    std::optional<testsupport::ScopedEnv> dataHome;
    QtMainQueue queue;
    DBusAppleEventManager events;
    std::unique_ptr<LinuxWorkspace> workspace;
    ObserverToken observer = 0;
    std::vector<RunningApplication> activations;
    std::vector<std::unique_ptr<Subprocess>> programs;
};

TEST_F(ActiveWindow, AForeignApplicationInFrontIsNamedPostedAndBroughtBack) {
    Subprocess& first = zenity("first");
    ASSERT_TRUE(testsupport::spinUntil(
        [&] { return frontIs(first.pid()) && activationPosted(first.pid()); }, kWait))
        << "front: " << desktop->activeWindow().value_or(0);
    const auto front = workspace->frontmostApplication();
    EXPECT_EQ(front->localizedName(), "Zenity Dialogs");
    EXPECT_EQ(front->bundleIdentifier(), std::optional<std::string>("org.gnome.Zenity"));
    EXPECT_EQ(front->bundleURL(), std::nullopt);
    EXPECT_EQ(activations.back().bundleIdentifier(), front->bundleIdentifier());

    Subprocess& second = zenity("second");
    ASSERT_TRUE(testsupport::spinUntil(
        [&] { return frontIs(second.pid()) && activationPosted(second.pid()); }, kWait));
    const auto running = workspace->runningApplicationWithProcessIdentifier(first.pid());
    ASSERT_TRUE(running.has_value()) << "applications with windows are running applications";
    EXPECT_EQ(running->localizedName(), "Zenity Dialogs");

    // Back to the first through the workspace, as the apply pipeline does.
    activations.clear();
    ASSERT_TRUE(running->activate());
    const auto firstWindow = desktop->windowOfProcess(first.pid());
    ASSERT_TRUE(firstWindow.has_value());
    EXPECT_TRUE(testsupport::spinUntil(
        [&] {
            return desktop->activeWindow() == firstWindow && frontIs(first.pid()) &&
                   activationPosted(first.pid());
        },
        kWait));
    EXPECT_FALSE(workspace->activateApplication(999999, 0)) << "no window, nothing to activate";
}

TEST_F(ActiveWindow, WithoutADesktopEntryTheWindowClassNamesIt) {
    Subprocess& dialog = zenity("plain");
    ASSERT_TRUE(testsupport::spinUntil([&] { return frontIs(dialog.pid()); }, kWait));
    // A watch that reads no entry for it.
    testsupport::TempDir empty;
    setenv("XDG_DATA_HOME", empty.path().c_str(), 1);
    testsupport::ScopedEnv dirs("XDG_DATA_DIRS", empty.path().string());
    auto plain = X11ActiveWindow::open();
    ASSERT_TRUE(plain);
    std::optional<WindowedApplication> found;
    for (const auto& app : plain->withWindows())
        if (app.pid == dialog.pid()) found = app;
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->localizedName, "Zenity");
    EXPECT_EQ(found->bundleIdentifier, std::nullopt);
}

}  // namespace
