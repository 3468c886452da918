// The help and release-notes windows and the update offer drawn offscreen into
// build/screenshots/, with their link routes and the saved frame.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTextBrowser>
#include <cstdlib>
#include <filesystem>

#include "agent/help/DocWindowController.h"
#include "platform/linux/UpdateOfferWindow.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/QtWidgetsApp.h"

using namespace platform;
namespace fs = std::filesystem;
using Dest = AgentNavigator::NavDestination;

namespace {

const fs::path kBuild = PURLANE_BUILD_DIR;

struct HelpWindowTest : testing::Test {
    HelpWindowTest() { testsupport::ensureQtWidgetsApplication(); }
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    SimSounds sounds;
    Bundle bundle = *Bundle::open(kBuild / "Applications/purlaneAgent.app");

    std::unique_ptr<DocWindowController> window(Dest destination) {
        return std::make_unique<DocWindowController>(
            DocWindowController::Services{bundle, agent.workspace(), sounds,
                                          agent.standardUserDefaults()},
            *AgentNavigator::configFor(destination, bundle));
    }
    std::string page(DocWindowController& w) {
        return w.webView()->source().fileName().toStdString();
    }
};

TEST_F(HelpWindowTest, HelpBookOpensOnItsWelcomePageAndEveryLinkStaysOrGoesToTheBrowser) {
    auto help = window(Dest::documentation);
    help->showWindow();
    EXPECT_EQ(help->windowTitle().toStdString(), "Purlane Agent Help");
    EXPECT_EQ(page(*help), "welcome.html");
    EXPECT_GT(help->webView()->toPlainText().size(), 200);
    testsupport::saveScreenshot(*help, "HelpWindow-welcome");

    help->linkClicked(QUrl("hotkeys.html"));
    EXPECT_EQ(page(*help), "hotkeys.html");
    testsupport::saveScreenshot(*help, "HelpWindow-hotkeys");
    help->linkClicked(QUrl("https://www.halvik.com/"));
    EXPECT_EQ(page(*help), "hotkeys.html");
    ASSERT_EQ(world.desktopRequests().size(), 1u);
    EXPECT_EQ(world.desktopRequests()[0].target, "https://www.halvik.com/");

    help->navigateAction(0);
    EXPECT_EQ(page(*help), "welcome.html");
    help->navigateAction(1);
    EXPECT_EQ(page(*help), "hotkeys.html");
    help->navigateHome();
    EXPECT_EQ(page(*help), "welcome.html");
    EXPECT_EQ(sounds.beeps, 0);
}

TEST_F(HelpWindowTest, ReleaseNotesKeepWebLinksOutAndTheFrameComesBack) {
    auto notes = window(Dest::releaseNotes);
    notes->showWindow();
    EXPECT_EQ(notes->windowTitle().toStdString(), "Purlane 9 Release Notes");
    EXPECT_NE(notes->webView()->toPlainText().toStdString().find("purlaneAgent 9.0"),
              std::string::npos);
    testsupport::saveScreenshot(*notes, "ReleaseNotesWindow");
    notes->linkClicked(QUrl("https://www.halvik.com/"));
    EXPECT_TRUE(world.desktopRequests().empty());
    notes->navigateHome();
    EXPECT_EQ(sounds.beeps, 1);

    notes->setGeometry(40, 50, 640, 480);
    notes->hide();
    auto again = window(Dest::releaseNotes);
    again->showWindow();
    EXPECT_EQ(again->geometry().size(), QSize(640, 480));
}

TEST(UpdateOfferWindowTest, ShowsTheOfferAndAnswersOnce) {
    testsupport::ensureQtWidgetsApplication();
    UpdateOffer offer;
    offer.applicationName = "purlaneAgent";
    offer.currentVersion = "9.0";
    offer.item.version = "910";
    offer.item.shortVersion = "9.1";
    offer.releaseNotesHTML =
        "<h2>purlaneAgent 9.1</h2><ul><li>Cleaning a long selection is twice as fast.</li>"
        "<li>Hot keys work on every keyboard layout.</li></ul>"
        "<p><a href=\"https://www.halvik.com/notes\">All notes</a></p>";
    std::vector<UpdateChoice> answers;
    std::vector<std::string> opened;
    auto* window = new UpdateOfferWindow(
        offer, [&](UpdateChoice c) { answers.push_back(c); },
        [&](const std::string& url) { opened.push_back(url); });
    window->show();
    testsupport::saveScreenshot(*window, "UpdateOfferWindow");
    emit window->notes()->anchorClicked(QUrl("https://www.halvik.com/notes"));
    EXPECT_EQ(opened, std::vector<std::string>{"https://www.halvik.com/notes"});
    window->installButton()->click();
    EXPECT_EQ(answers, std::vector<UpdateChoice>{UpdateChoice::Install});
}

}  // namespace
