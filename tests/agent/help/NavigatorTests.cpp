// Help and web windows: what each destination shows, one window per destination, and which
// links stay inside.

#include <gtest/gtest.h>

#include <fstream>

#include "agent/help/AgentNavigator.h"
#include "agent/help/NavigationPolicy.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

using namespace platform;
using Dest = AgentNavigator::NavDestination;
namespace fs = std::filesystem;

namespace {

struct CountingWindow : NavWindow {
    explicit CountingWindow(int& shows) : shows(shows) {}
    void showWindow() override { ++shows; }
    int& shows;
};

struct NavigatorTest : testing::Test {
    testsupport::TempDir temp;
    fs::path app = temp.path() / "purlaneAgent.app";

    // A bundle with the given extra Info.plist entries and the release notes.
    Bundle bundle(const std::string& extraInfo) {
        fs::create_directories(app / "Contents/Resources");
        std::ofstream(app / "Contents/Info.plist")
            << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier"
               "</key><string>com.halvik.purlane.agent</string>"
            << extraInfo << "</dict></plist>";
        std::ofstream(app / "Contents/Resources/releasenotes.html") << "<h1>notes</h1>";
        return *Bundle::open(app);
    }
    std::string resources() const {
        return Url::fileURLWithPath((app / "Contents/Resources").string(), true).absoluteString();
    }
};

TEST_F(NavigatorTest, EachDestinationShowsItsPage) {
    const std::string build = "<key>CFBundleVersion</key><string>900</string>";
    const std::string book = "<key>CFBundleHelpBookFolder</key><string>purlaneAgentHelp</string>";

    auto notes = AgentNavigator::configFor(Dest::releaseNotes, bundle(build));
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->siteTitle, "Purlane 9 Release Notes");
    EXPECT_FALSE(notes->allowFullNavigation || notes->allowNavigatingAwayFromSite);
    EXPECT_EQ(notes->homeURL(bundle(build))->absoluteString(), resources() + "releasenotes.html");
    EXPECT_EQ(notes->siteBase(bundle(build)), resources());

    const std::pair<std::string, std::string> docs[] = {
        {build + book, resources() + "purlaneAgentHelp/topics/welcome.html"},
        {build, "https://www.halvik.com/docs/agent/?build=900"},
        {"", "https://www.halvik.com/docs/agent/"},
    };
    for (const auto& [info, home] : docs) {
        const Bundle b = bundle(info);
        auto help = AgentNavigator::configFor(Dest::documentation, b);
        ASSERT_TRUE(help);
        EXPECT_EQ(help->siteTitle, "Purlane Agent Help");
        EXPECT_TRUE(help->allowFullNavigation);
        EXPECT_EQ(help->homeURL(b)->absoluteString(), home);
        EXPECT_EQ(help->siteBase(b), home);
    }
    EXPECT_FALSE(AgentNavigator::configFor(Dest::unknown, bundle(build)));

    NavDestinationConfig missing;
    missing.filename = "nothere.html";
    EXPECT_FALSE(missing.homeURL(bundle(build)));
    EXPECT_EQ(missing.siteBase(bundle(build)), "");
}

TEST_F(NavigatorTest, OneWindowPerDestinationAndTheUnknownOneBeeps) {
    const Bundle b = bundle("");
    SimSounds sounds;
    int made = 0, shows = 0;
    AgentNavigator navigator(b, sounds, [&](const NavDestinationConfig&, Dest) {
        ++made;
        return std::make_unique<CountingWindow>(shows);
    });
    navigator.navigate(Dest::documentation);
    navigator.navigate(Dest::documentation);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(shows, 2);
    navigator.navigate(Dest::releaseNotes);
    EXPECT_EQ(made, 2);
    navigator.navigate(Dest::unknown);
    EXPECT_EQ(made, 2);
    EXPECT_EQ(sounds.beeps, 1);
    EXPECT_EQ(navigator.bag().size(), 2u);
    EXPECT_EQ(navigator.bag().at(Dest::releaseNotes).type, Dest::releaseNotes);
}

TEST_F(NavigatorTest, LinksStayOrLeaveByTheWindowsRules) {
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    const std::string base = "file:///app/Resources/";
    NavDestinationConfig notes, help, away;
    help.allowFullNavigation = true;
    away.allowNavigatingAwayFromSite = true;
    using P = NavigationActionPolicy;
    struct Case {
        const char* name;
        const NavDestinationConfig& config;
        bool link;
        const char* url;  // nullptr: no URL
        P policy;
        bool toBrowser;
    };
    const Case cases[] = {
        {"load", notes, false, "https://elsewhere.example/", P::allow, false},
        {"link without URL", help, true, nullptr, P::cancel, false},
        {"notes: page beside it", notes, true, "file:///app/Resources/other.html", P::allow, false},
        {"notes: web page", notes, true, "https://www.halvik.com/", P::cancel, false},
        {"notes: file elsewhere", notes, true, "file:///etc/passwd", P::cancel, false},
        {"help: web page", help, true, "https://www.halvik.com/", P::allow, false},
        {"away: file elsewhere", away, true, "file:///tmp/x.html", P::allow, false},
        {"away: web page", away, true, "https://www.halvik.com/", P::cancel, true},
    };
    for (const auto& c : cases) {
        const size_t before = world.desktopRequests().size();
        NavigationAction action{c.link, c.url ? Url::parse(c.url) : std::nullopt};
        EXPECT_EQ(NavigationPolicy::docWindow(c.config, base, action, agent.workspace()), c.policy)
            << c.name;
        EXPECT_EQ(world.desktopRequests().size() - before, c.toBrowser ? 1u : 0u) << c.name;
    }

    // The panes' notes view: web links to the browser, everything else inside.
    EXPECT_EQ(
        NavigationPolicy::webView({true, Url::parse("https://www.halvik.com/")}, agent.workspace()),
        P::cancel);
    ASSERT_FALSE(world.desktopRequests().empty());
    EXPECT_EQ(world.desktopRequests().back().target, "https://www.halvik.com/");
    EXPECT_EQ(NavigationPolicy::webView({true, Url::parse("file:///a.html")}, agent.workspace()),
              P::allow);
    EXPECT_EQ(
        NavigationPolicy::webView({false, Url::parse("https://x.example/")}, agent.workspace()),
        P::allow);
}

}  // namespace
