// The Debian package made from the test build: what it holds, where, and what it declares.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/workspace/Bundle.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::run;

namespace {

const fs::path kScript = fs::path(PURLANE_TEST_DATA) / "../../scripts/package";
const fs::path kApps = "usr/lib/purlane/Applications";

class PackageTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        temp_ = new testsupport::TempDir;
        made_ = new testsupport::RunResult(run({kScript.string(), "--build-dir", PURLANE_BUILD_DIR,
                                                "--no-build", "--output", temp_->path().string()},
                                               {}, 300));
        for (const auto& entry : fs::directory_iterator(temp_->path()))
            if (entry.path().extension() == ".deb") deb_ = new fs::path(entry.path());
        if (deb_)
            run({"/usr/bin/dpkg-deb", "-x", deb_->string(), (temp_->path() / "root").string()});
    }
    static void TearDownTestSuite() {
        delete deb_;
        delete made_;
        delete temp_;
    }
    void SetUp() override {
        ASSERT_EQ(made_->status, 0) << made_->out << made_->err;
        ASSERT_TRUE(deb_) << made_->out;
    }
    static fs::path root() { return temp_->path() / "root"; }
    static std::string field(const std::string& name) {
        auto r = run({"/usr/bin/dpkg-deb", "-f", deb_->string(), name});
        return r.out.empty() ? r.out : r.out.substr(0, r.out.size() - 1);
    }

    static testsupport::TempDir* temp_;
    static testsupport::RunResult* made_;
    static fs::path* deb_;
};
testsupport::TempDir* PackageTest::temp_ = nullptr;
testsupport::RunResult* PackageTest::made_ = nullptr;
fs::path* PackageTest::deb_ = nullptr;

TEST_F(PackageTest, ControlNamesThePackageAndTheLibrariesItNeeds) {
    EXPECT_EQ(deb_->filename().string().rfind("purlane-agent_9.0.0-", 0), 0u) << *deb_;
    EXPECT_EQ(field("Package"), "purlane-agent");
    const std::string depends = field("Depends");
    for (const char* library : {"libqt6core6", "libqt6dbus6", "libqt6widgets6", "libxcb1",
                                "libxkbcommon-x11-0", "qt6-qpa-plugins"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    EXPECT_NE(depends.find("libicu"), std::string::npos) << depends;
    EXPECT_GT(std::stoi(field("Installed-Size")), 100);
}

TEST_F(PackageTest, BundlesGoToTheSystemApplicationsFolderWithTheirHelpers) {
    const struct {
        fs::path bundle;
        const char* identifier;
    } bundles[] = {
        {kApps / "purlaneAgent.app", "com.halvik.purlane.agent"},
        {kApps / "purlaneAgent.app/Contents/Library/LoginItems/purlaneAgentLauncher.app",
         "com.halvik.purlane.agent.launcher"},
        {kApps / "purlaneAgent.app/Contents/SharedSupport/purlaneLaunchWatcher.app",
         "com.halvik.purlane.launchwatcher"},
    };
    for (const auto& b : bundles) {
        auto bundle = platform::Bundle::open(root() / b.bundle);
        ASSERT_TRUE(bundle) << b.bundle;
        EXPECT_EQ(bundle->bundleIdentifier(), b.identifier);
        auto exe = bundle->executablePath();
        ASSERT_TRUE(exe);
        EXPECT_EQ(fs::status(*exe).permissions() & fs::perms::others_exec, fs::perms::others_exec);
    }
    EXPECT_TRUE(
        fs::exists(root() / kApps / "purlaneAgent.app/Contents/Resources/purlaneAgent.sdef"));
    EXPECT_TRUE(fs::exists(root() / "usr/bin/purlanectl"));
    // The stand-in engine is for development only; nothing starts at login by itself.
    EXPECT_FALSE(fs::exists(root() / kApps / "SampleEngine.app"));
    EXPECT_FALSE(fs::exists(root() / "etc"));
}

TEST_F(PackageTest, DesktopEntriesStartTheAgentAndClaimItsSchemes) {
    const fs::path dir = root() / "usr/share/applications";
    const std::string menu = testsupport::readFile(dir / "com.halvik.purlane.agent.desktop");
    EXPECT_NE(menu.find("\nExec=/usr/lib/purlane/Applications/purlaneAgent.app/Contents/MacOS/"
                        "purlaneAgent\n"),
              std::string::npos)
        << menu;
    const std::string links = testsupport::readFile(dir / "purlane-agent.desktop");
    EXPECT_NE(links.find("\nExec=/usr/bin/purlanectl open %u\n"), std::string::npos) << links;
    EXPECT_NE(
        links.find("\nMimeType=x-scheme-handler/x-purlane-agent;x-scheme-handler/x-plagent;\n"),
        std::string::npos)
        << links;
    EXPECT_TRUE(fs::exists(root() / "usr/share/icons/hicolor/scalable/apps/purlane-agent.svg"));
    if (!fs::exists("/usr/bin/desktop-file-validate")) GTEST_SKIP() << "desktop-file-utils missing";
    for (const char* name : {"com.halvik.purlane.agent.desktop", "purlane-agent.desktop"}) {
        auto checked = run({"/usr/bin/desktop-file-validate", (dir / name).string()});
        EXPECT_EQ(checked.status, 0) << name << ": " << checked.out << checked.err;
    }
}

TEST(PackageScript, HelpAndUnknownOptions) {
    auto help = run({kScript.string(), "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: scripts/package"), std::string::npos);
    auto wrong = run({kScript.string(), "--frobnicate"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("unknown option"), std::string::npos);
}

}  // namespace
