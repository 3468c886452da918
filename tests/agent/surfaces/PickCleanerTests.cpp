// The modal pick-cleaner protocol on the sim: the agent comes forward and gives the focus back,
// the answer is the chosen row's token only when the window ends with "chosen", and the list
// shows the requested start group.

#include "agent/surfaces/PLCustomCloseWindow.h"
#include "agent/surfaces/PLPickCleaner.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace surfacestest;

namespace {

class NullListView : public PLCleanerListView {
  public:
    void reloadTable() override {}
    void setSearchText(const std::string&) override {}
    bool focusSearchField() override { return false; }
    void focusTable() override {}
    void selectRow(int) override {}
    void deselectAll() override {}
    void setPopupHidden(bool) override {}
    void popupMenuChanged() override {}
};

// Runs what the user does in the window, then ends with the code the controller stopped it
// with (the "continue" response when nothing stopped it).
class ScriptedWindow : public PickCleanerWindow {
  public:
    ScriptedWindow(PLPickCleaner& pick, bool loads, std::function<void(PLPickCleaner&)>& user,
                   std::vector<std::string>& frontDuringSession, SimWorld& world)
        : pick_(pick), loads_(loads), user_(user), front_(frontDuringSession), world_(world) {}
    bool loadWindow() override {
        if (loads_) pick_.listController().setView(&view_);
        return loads_;
    }
    int runModal() override {
        const auto* front = world_.apps().frontmost();
        front_.push_back(front ? front->bundleIdentifier() : "");
        code_ = kModalResponseContinue;
        if (user_) user_(pick_);
        return code_;
    }
    void stopModal(int code) override { code_ = code; }

  private:
    PLPickCleaner& pick_;
    bool loads_;
    std::function<void(PLPickCleaner&)>& user_;
    std::vector<std::string>& front_;
    SimWorld& world_;
    NullListView view_;
    int code_ = 0;
};

class PickCleanerTest : public SurfacesFixture {
  public:
    PickCleanerTest() : editor(world.launch("org.example.Editor")) {
        client.load({Group("Standard", Group::kStandardUuid,
                           {makeItem("#LABEL:Head", "Head", "", ItemColor::auto_),
                            cleaner("#std1", "std1"), cleaner("#std2", "std2")}),
                     Group("Basic", "##Basic", cleaners("basic", 2))},
                    {Group("Mine", "u-mine", cleaners("mine", 2))}, {});
        world.apps().activate(editor);
    }

    std::unique_ptr<PLPickCleaner> makePick(bool withWindow = true) {
        PLPickCleaner::WindowFactory factory;
        if (withWindow)
            factory = [this](PLPickCleaner& pick) {
                return std::make_unique<ScriptedWindow>(pick, windowLoads, user, frontDuringSession,
                                                        world);
            };
        return std::make_unique<PLPickCleaner>(
            PLPickCleaner::Collaborators{.list = {.client = &client,
                                                  .defaults = &defaults,
                                                  .notificationCenter = &agent.notificationCenter(),
                                                  .sounds = &sounds,
                                                  .modifiers = &modifiers},
                                         .workspace = agent.workspace(),
                                         .application = agent.application(),
                                         .makeWindow = factory});
    }
    std::string frontmost() {
        const auto* front = world.apps().frontmost();
        return front ? front->bundleIdentifier() : "";
    }

    SimProcess& editor;
    SimSounds sounds;
    bool windowLoads = true;
    std::function<void(PLPickCleaner&)> user;
    std::vector<std::string> frontDuringSession;
};

TEST_F(PickCleanerTest, OnlyAChosenCleanerRowIsTheAnswer) {
    const struct {
        const char* name;
        std::function<void(PLPickCleaner&)> user;
        std::string expected;
    } cases[] = {
        {"cancel", [](PLPickCleaner& p) { p.cancel(); }, "#CANCEL"},
        {"double click outside any row", [](PLPickCleaner& p) { p.doubleClicked(-1); }, "#CANCEL"},
        {"double click on a label row", [](PLPickCleaner& p) { p.doubleClicked(0); }, "#CANCEL"},
        {"double click on a cleaner", [](PLPickCleaner& p) { p.doubleClicked(2); }, "#std2"},
        {"choose button",
         [](PLPickCleaner& p) {
             p.listController().tableSelectionDidChange(1);
             p.selectCleaner();
         },
         "#std1"},
        {"chosen in the list", [](PLPickCleaner& p) { p.cleanerListDidChoose("#std2", "", ""); },
         "#std2"},
        {"a second request meanwhile",
         [](PLPickCleaner& p) {
             EXPECT_EQ(p.showPickListWithStart("Mine"), "#CANCEL");
             p.doubleClicked(1);
         },
         "#std1"},
        {"chosen, then cancelled",
         [](PLPickCleaner& p) {
             p.doubleClicked(1);
             p.cancel();
         },
         "#CANCEL"},
    };
    auto pick = makePick();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        user = c.user;
        EXPECT_EQ(pick->showPickListWithStart(std::nullopt), c.expected);
        EXPECT_EQ(frontDuringSession.back(), "com.halvik.purlane.agent");
        EXPECT_EQ(frontmost(), "org.example.Editor");
    }
}

TEST_F(PickCleanerTest, WithoutAWindowTheAnswerIsCancelAndTheFocusGoesBack) {
    windowLoads = false;
    EXPECT_EQ(makePick()->showPickListWithStart("Mine"), "#CANCEL");
    EXPECT_EQ(makePick(false)->showPickListWithStart("Mine"), "#CANCEL");
    EXPECT_TRUE(frontDuringSession.empty());
    EXPECT_EQ(frontmost(), "org.example.Editor");
}

TEST_F(PickCleanerTest, ListShowsTheStartGroupOfEachRequest) {
    auto pick = makePick();
    std::vector<std::string> shown;
    user = [&](PLPickCleaner& p) {
        shown.push_back(p.listController().currentGroup().name);
        p.cancel();
    };
    pick->showPickListWithStart(std::nullopt);
    pick->showPickListWithStart("Mine");
    pick->showPickListWithStart("Basic");
    pick->showPickListWithStart(std::nullopt);  // the last start group stays
    EXPECT_EQ(shown, (std::vector<std::string>{"Standard", "Mine", "Basic", "Basic"}));

    const auto& list = pick->listController();
    EXPECT_EQ(list.delegate, pick.get());
    EXPECT_FALSE(list.showEditOption);
    EXPECT_TRUE(list.ignoreReturnKey);
}

TEST(PLCustomCloseWindow, CommandWClosesOnlyWhileTheFlagIsSet) {
    const struct {
        bool flag;
        uint64_t modifiers;
        std::string characters;
        bool handled;
    } cases[] = {
        {true, ModifierFlags::command, "w", true},
        {false, ModifierFlags::command, "w", false},
        {true, ModifierFlags::command, "q", false},
        {true, 0, "w", false},
        {true, ModifierFlags::control, "w", false},
        {true, ModifierFlags::command | ModifierFlags::shift, "W", false},
    };
    for (const auto& c : cases) {
        PLCustomCloseWindow window;
        window.closeWithKeyboard = c.flag;
        int closes = 0;
        EXPECT_EQ(window.performKeyEquivalent(c.modifiers, c.characters, [&] { ++closes; }),
                  c.handled);
        EXPECT_EQ(closes, c.handled ? 1 : 0);
    }
    PLCustomCloseWindow controlCloses(ModifierFlags::control);
    controlCloses.closeWithKeyboard = true;
    EXPECT_TRUE(controlCloses.performKeyEquivalent(ModifierFlags::control, "w", {}));
}

}  // namespace
