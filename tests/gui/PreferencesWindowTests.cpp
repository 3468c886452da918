// The preferences window drawn offscreen into build/screenshots/: one picture per pane of the
// agent's own, the window taking each pane's size with its top edge kept, no control cut short,
// Control-W closing it, and the last pane coming back in a new controller.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <cstdlib>
#include <filesystem>

#include "agent/library/RegisteredDefaults.h"
#include "agent/prefs/AgentPrefsPanes.h"
#include "agent/prefs/PLAgentPrefsAdvancedController.h"
#include "agent/prefs/PreferencesWindow.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/QtWidgetsApp.h"
#include "tests/support/TempDir.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

const fs::path kResources = fs::path(PURLANE_TEST_DATA).parent_path().parent_path() / "resources";
const std::string kAgentID = "com.halvik.purlane.agent";

// The panes drawn by others here only need a place in the toolbar.
class PlaceholderPane : public PLPrefsViewController {
  public:
    explicit PlaceholderPane(std::string name) : name_(std::move(name)) {}
    std::string keyName() const override { return name_; }
    QWidget* makeView(QWidget* parent) override {
        auto* label = new QLabel(QString::fromStdString(name_), parent);
        label->setMinimumSize(420, 200);
        return label;
    }

  private:
    std::string name_;
};

struct PreferencesWindowTest : testing::Test {
    testsupport::TempDir temp;
    SimWorld world;
    SimProcess* agent = nullptr;
    SimLoginItems loginItems;
    std::unique_ptr<PLVendorPages> pages;

    PreferencesWindowTest() {
        testsupport::ensureQtWidgetsApplication();
        const fs::path bundle = temp / "purlaneAgent.app";
        temp.write(
            "purlaneAgent.app/Contents/Info.plist",
            *PropertyListSerialization::write(
                PropertyList(PropertyList::Dictionary{
                    {"CFBundleIdentifier", kAgentID},
                    {"CFBundleShortVersionString", "9.1"},
                    {"CFBundleVersion", "912"},
                    {"NSHumanReadableCopyright", "Copyright © 2026 Halvik. All rights reserved."}}),
                PropertyListFormat::Xml));
        fs::create_directories(bundle / "Contents/Resources");
        for (const auto& entry : fs::directory_iterator(kResources / "prefs"))
            fs::copy_file(entry.path(), bundle / "Contents/Resources" / entry.path().filename());
        for (const char* file : {"releasenotes.html", "plmenu-icon@2x.png"})
            fs::copy_file(kResources / file, bundle / "Contents/Resources" / file);
        world.apps().install(
            {.bundleIdentifier = kAgentID, .path = bundle.string(), .bundlePath = bundle});
        agent = &world.launch(kAgentID);
        RegisteredDefaults::registerWith(agent->standardUserDefaults());
        pages = std::make_unique<PLVendorPages>(agent->workspace());
    }

    std::unique_ptr<AgentPreferencesController> controller() {
        auto makers = AgentPrefsPanes::makers(
            {agent->standardUserDefaults(),
             agent->standardUserDefaults(),
             agent->notificationCenter(),
             agent->distributedCenter(),
             loginItems,
             agent->application(),
             kAgentID,
             *pages,
             nullptr,
             {},
             [] {
                 return std::vector<PLAgentPrefsGeneralController::GroupChoice>{
                     {"Standard", "##Standard"}, {"Programming", "Programming"}};
             }});
        for (const char* other : {"hotkeys", "services"})
            makers[other] = [other] { return std::make_shared<PlaceholderPane>(other); };
        return std::make_unique<AgentPreferencesController>(
            makers, agent->standardUserDefaults(), agent->distributedCenter(),
            PreferencesWindow::maker(&agent->application().bundle()));
    }
    static PreferencesWindow& window(AgentPreferencesController& prefs) {
        return *dynamic_cast<PreferencesWindow*>(prefs.window());
    }
};

// Every label, checkbox, button and popup shows its whole text.
void expectNothingCutShort(QWidget& view, const std::string& pane) {
    for (QWidget* child : view.findChildren<QWidget*>()) {
        if (!child->isVisible()) continue;
        if (qobject_cast<QLabel*>(child) || qobject_cast<QAbstractButton*>(child) ||
            qobject_cast<QComboBox*>(child)) {
            EXPECT_GE(child->width(), child->sizeHint().width())
                << pane << ": " << child->metaObject()->className() << " "
                << child->property("text").toString().toStdString();
            EXPECT_GE(child->height(), child->minimumSizeHint().height()) << pane;
        }
    }
}

TEST_F(PreferencesWindowTest, EveryPaneIsDrawnWholeAndTheWindowFitsItKeepingItsTop) {
    agent->standardUserDefaults().setBool("ShowDevelop", true);
    auto prefs = controller();
    prefs->showMainWindow();
    PreferencesWindow& w = window(*prefs);
    QApplication::processEvents();
    EXPECT_EQ(w.toolBar()->actions().size(), 7);
    const int top = w.frameGeometry().top();
    const QString title = w.windowTitle();
    EXPECT_EQ(title.toStdString(), "Purlane Agent Settings");

    for (const char* name : {"general", "updates", "advanced", "develop", "about"}) {
        prefs->showPanelWithNamed(name);
        QApplication::processEvents();
        ASSERT_EQ(prefs->selectedViewController()->keyName(), name);
        QWidget* view = w.viewFor(*prefs->selectedViewController());
        ASSERT_NE(view, nullptr) << name;
        EXPECT_TRUE(view->isVisible()) << name;
        EXPECT_EQ(w.frameGeometry().top(), top) << name;
        EXPECT_EQ(w.windowTitle(), title) << name;
        // The content is the pane's own size (its width at least the toolbar's).
        EXPECT_EQ(view->height(), view->sizeHint().height()) << name;
        EXPECT_GE(view->width(), view->sizeHint().width()) << name;
        expectNothingCutShort(*view, name);
        testsupport::saveScreenshot(w, std::string("Preferences-") + name);
    }

    // Control-W closes it (hidden, kept for the next show).
    QKeyEvent press(QEvent::KeyPress, Qt::Key_W, Qt::ControlModifier, "w");
    QApplication::sendEvent(&w, &press);
    EXPECT_FALSE(w.isVisible());
    prefs->showMainWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(prefs->selectedViewController()->keyName(), "about");
}

TEST_F(PreferencesWindowTest, LastPaneComesBackAfterARestart) {
    {
        auto prefs = controller();
        prefs->showPanelWithNamed("prefs-advanced");
    }
    auto next = controller();
    next->showMainWindow();
    EXPECT_EQ(next->selectedViewController()->keyName(), "advanced");
    for (QAction* a : window(*next).toolBar()->actions())
        EXPECT_EQ(a->isChecked(), a->objectName() == "advanced") << a->objectName().toStdString();
}

TEST_F(PreferencesWindowTest, DevelopSwitchBringsTheDevelopPaneAndShowsAdvanced) {
    auto prefs = controller();
    prefs->showPanelWithNamed("about");
    PreferencesWindow& w = window(*prefs);
    EXPECT_EQ(w.toolBar()->actions().size(), 6);
    auto* advanced =
        dynamic_cast<PLAgentPrefsAdvancedController*>(prefs->viewControllerFor("advanced"));
    ASSERT_NE(advanced, nullptr);
    advanced->setShowDevelop(true);
    world.runUntilIdle();
    QApplication::processEvents();
    EXPECT_EQ(w.toolBar()->actions().size(), 7);
    EXPECT_EQ(prefs->selectedViewController()->keyName(), "advanced");
    testsupport::saveScreenshot(w, "Preferences-develop-switched-on");
}

TEST_F(PreferencesWindowTest, ReleaseNotesPaneShowsTheNotesWhenGivenAWindow) {
    auto notes =
        AgentPrefsPanes::makeReleaseNotesPane(&agent->application().bundle(), agent->workspace());
    EXPECT_EQ(notes->keyName(), "notes");
    PLPreferencesController prefs({notes}, agent->standardUserDefaults(),
                                  PreferencesWindow::maker(&agent->application().bundle()));
    prefs.showMainWindow();
    auto& w = dynamic_cast<PreferencesWindow&>(*prefs.window());
    auto* view = dynamic_cast<QTextBrowser*>(w.viewFor(*notes));
    ASSERT_NE(view, nullptr);
    EXPECT_GT(view->toPlainText().size(), 100);
    EXPECT_EQ(w.windowTitle().toStdString(), "Release Notes Settings");
    testsupport::saveScreenshot(w, "Preferences-notes");
}

}  // namespace
