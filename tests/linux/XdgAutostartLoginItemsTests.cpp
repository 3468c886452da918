// Login items as XDG autostart entries, in a temporary home: what is written, where, and how the
// helper is found; and the system's applications folder among the places bundles are found.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/InstalledApplications.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

using platform::XdgAutostartLoginItems;
using testsupport::ScopedEnv;
namespace fs = std::filesystem;

namespace {

constexpr const char* kLauncherID = "com.halvik.purlane.agent.launcher";

std::string info(const std::string& id, const std::string& executable) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>" +
           id + "</string><key>CFBundleExecutable</key><string>" + executable +
           "</string><key>CFBundleName</key><string>" + executable + "</string></dict></plist>";
}

class AutostartTest : public ::testing::Test {
  protected:
    // An agent bundle with its launcher, as the build lays them out.
    fs::path makeAgent(const fs::path& folder) {
        const fs::path agent = folder / "purlaneAgent.app";
        const std::string launcher =
            "Contents/Library/LoginItems/purlaneAgentLauncher.app/Contents/";
        fs::path rel = fs::relative(agent, temp.path());
        temp.write((rel / "Contents/Info.plist").string(),
                   info("com.halvik.purlane.agent", "purlaneAgent"));
        temp.write((rel / launcher / "Info.plist").string(),
                   info(kLauncherID, "purlaneAgentLauncher"));
        temp.write((rel / launcher / "MacOS/purlaneAgentLauncher").string(), "#!/bin/sh\n");
        return agent;
    }
    static fs::path launcherExecutable(const fs::path& agent) {
        return agent /
               "Contents/Library/LoginItems/purlaneAgentLauncher.app/Contents/MacOS/"
               "purlaneAgentLauncher";
    }
    fs::path entry() const {
        return temp.path() / "config/autostart" / (std::string(kLauncherID) + ".desktop");
    }

    testsupport::TempDir temp;
    ScopedEnv home{"HOME", temp.path().string()};
    ScopedEnv config{"XDG_CONFIG_HOME", (temp.path() / "config").string()};
    ScopedEnv data{"XDG_DATA_HOME", (temp.path() / "data").string()};
    ScopedEnv extra{"PURLANE_APPLICATIONS_PATH", std::nullopt};
};

TEST_F(AutostartTest, EnableWritesAnEntryStartingTheLauncherAndDisableRemovesIt) {
    const fs::path agent = makeAgent(temp.path() / "my apps");
    XdgAutostartLoginItems items(agent);
    ASSERT_TRUE(items.setEnabled(kLauncherID, true));
    const std::string text = testsupport::readFile(entry());
    EXPECT_NE(text.find("\nExec=\"" + launcherExecutable(agent).string() + "\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nTryExec=" + launcherExecutable(agent).string() + "\n"),
              std::string::npos);
    EXPECT_EQ(text.rfind("[Desktop Entry]\nType=Application\n", 0), 0u);
    // Enabling again replaces the entry whole.
    EXPECT_TRUE(items.setEnabled(kLauncherID, true));
    EXPECT_EQ(testsupport::readFile(entry()), text);
    if (fs::exists("/usr/bin/desktop-file-validate")) {
        auto checked = testsupport::run({"/usr/bin/desktop-file-validate", entry().string()});
        EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    }

    EXPECT_TRUE(items.setEnabled(kLauncherID, false));
    EXPECT_FALSE(fs::exists(entry()));
    // Removing what is not there is no failure, as on the OS.
    EXPECT_TRUE(items.setEnabled(kLauncherID, false));
}

TEST_F(AutostartTest, TheHelperIsFoundAmongInstalledApplicationsToo) {
    const fs::path agent = makeAgent(temp.path() / "data/purlane/Applications");
    XdgAutostartLoginItems items(temp.path() / "elsewhere.app");
    ASSERT_TRUE(items.setEnabled(kLauncherID, true));
    EXPECT_NE(testsupport::readFile(entry()).find(launcherExecutable(agent).string()),
              std::string::npos);
}

TEST_F(AutostartTest, RefusesUnknownHelpersAndUnsafeIdentifiers) {
    XdgAutostartLoginItems items(makeAgent(temp.path()));
    for (const char* id : {"com.example.missing", "../escape", "", "a/b"}) {
        EXPECT_FALSE(items.setEnabled(id, true)) << id;
    }
    EXPECT_FALSE(fs::exists(temp.path() / "config/autostart/com.example.missing.desktop"));
    EXPECT_FALSE(fs::exists(temp.path() / "config/escape.desktop"));
}

TEST(AutostartEntry, ExecQuotesThePathAsDesktopEntriesRequire) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/opt/a b/x", "Exec=\"/opt/a b/x\"\n"},
        {"/opt/$HOME/x", "Exec=\"/opt/\\\\$HOME/x\"\n"},
        {"/opt/100%/x", "Exec=\"/opt/100%%/x\"\n"},
        {"/opt/q\"uote`/x", "Exec=\"/opt/q\\\\\"uote\\\\`/x\"\n"},
        {"/opt/back\\slash", "Exec=\"/opt/back\\\\\\\\slash\"\n"},
    };
    for (const auto& [path, exec] : cases) {
        const auto text = XdgAutostartLoginItems::entryText("L", kLauncherID, path);
        ASSERT_TRUE(text) << path;
        EXPECT_NE(text->find("\n" + exec), std::string::npos) << *text;
    }
    EXPECT_FALSE(XdgAutostartLoginItems::entryText("L", kLauncherID, "/opt/new\nline"));
}

TEST(AutostartPaths, FollowXdgConfigHomeElseHome) {
    ScopedEnv home("HOME", "/home/u");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(platform::LinuxPaths::autostartDirectory(), fs::path("/cfg/autostart"));
    }
    // A relative XDG folder is ignored, as the standard says.
    for (std::optional<std::string> value :
         {std::optional<std::string>(), std::optional<std::string>("rel")}) {
        ScopedEnv config("XDG_CONFIG_HOME", value);
        EXPECT_EQ(platform::LinuxPaths::autostartDirectory(),
                  fs::path("/home/u/.config/autostart"));
    }
}

TEST(InstalledApplicationsFolders, TheSystemFolderComesLast) {
    ScopedEnv data("XDG_DATA_HOME", "/d");
    ScopedEnv extra("PURLANE_APPLICATIONS_PATH", "/x:/y");
    const std::vector<fs::path> expected{"/d/purlane/Applications", "/x", "/y",
                                         platform::LinuxPaths::systemApplicationsDirectory()};
    EXPECT_EQ(platform::InstalledApplications::searchFolders(), expected);
}

}  // namespace
