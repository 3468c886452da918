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

// The package made once: each check below is a part of one test, as making it takes a while.
class Package {
  public:
    Package() {
        made_ = run({kScript.string(), "--build-dir", PURLANE_BUILD_DIR, "--no-build", "--output",
                     temp_.path().string()},
                    {}, 300);
        for (const auto& entry : fs::directory_iterator(temp_.path()))
            if (entry.path().extension() == ".deb") deb_ = entry.path();
        if (!deb_.empty())
            run({"/usr/bin/dpkg-deb", "-x", deb_.string(), (temp_.path() / "root").string()});
    }
    const testsupport::RunResult& made() const { return made_; }
    const fs::path& deb() const { return deb_; }
    fs::path root() const { return temp_.path() / "root"; }
    std::string field(const std::string& name) const {
        auto r = run({"/usr/bin/dpkg-deb", "-f", deb_.string(), name});
        return r.out.empty() ? r.out : r.out.substr(0, r.out.size() - 1);
    }

  private:
    testsupport::TempDir temp_;
    testsupport::RunResult made_;
    fs::path deb_;
};

void expectControlNamesThePackageAndTheLibrariesItNeeds(const Package& p) {
    EXPECT_EQ(p.deb().filename().string().rfind("purlane-agent_9.0.0-", 0), 0u) << p.deb();
    EXPECT_EQ(p.field("Package"), "purlane-agent");
    const std::string depends = p.field("Depends");
    for (const char* library : {"libqt6core6", "libqt6dbus6", "libqt6widgets6", "libxcb1",
                                "libxkbcommon-x11-0", "qt6-qpa-plugins"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    EXPECT_NE(depends.find("libicu"), std::string::npos) << depends;
    EXPECT_GT(std::stoi(p.field("Installed-Size")), 100);
}

void expectBundlesInTheSystemApplicationsFolderWithTheirHelpers(const Package& p) {
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
        auto bundle = platform::Bundle::open(p.root() / b.bundle);
        ASSERT_TRUE(bundle) << b.bundle;
        EXPECT_EQ(bundle->bundleIdentifier(), b.identifier);
        auto exe = bundle->executablePath();
        ASSERT_TRUE(exe);
        EXPECT_EQ(fs::status(*exe).permissions() & fs::perms::others_exec, fs::perms::others_exec);
    }
    EXPECT_TRUE(
        fs::exists(p.root() / kApps / "purlaneAgent.app/Contents/Resources/purlaneAgent.sdef"));
    EXPECT_TRUE(fs::exists(p.root() / "usr/bin/purlanectl"));
    // The stand-in engine is for development only; nothing starts at login by itself.
    EXPECT_FALSE(fs::exists(p.root() / kApps / "SampleEngine.app"));
    EXPECT_FALSE(fs::exists(p.root() / "etc"));
}

void expectDesktopEntriesStartingTheAgentAndClaimingItsSchemes(const Package& p) {
    const fs::path dir = p.root() / "usr/share/applications";
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
    EXPECT_TRUE(fs::exists(p.root() / "usr/share/icons/hicolor/scalable/apps/purlane-agent.svg"));
    if (!fs::exists("/usr/bin/desktop-file-validate")) return;  // desktop-file-utils missing
    for (const char* name : {"com.halvik.purlane.agent.desktop", "purlane-agent.desktop"}) {
        auto checked = run({"/usr/bin/desktop-file-validate", (dir / name).string()});
        EXPECT_EQ(checked.status, 0) << name << ": " << checked.out << checked.err;
    }
}

TEST(PackageScript, MakesTheDebianPackageFromTheBuild) {
    const Package package;
    ASSERT_EQ(package.made().status, 0) << package.made().out << package.made().err;
    ASSERT_FALSE(package.deb().empty()) << package.made().out;
    expectControlNamesThePackageAndTheLibrariesItNeeds(package);
    expectBundlesInTheSystemApplicationsFolderWithTheirHelpers(package);
    expectDesktopEntriesStartingTheAgentAndClaimingItsSchemes(package);
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
