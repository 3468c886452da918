// The apply pipeline on the sim: a fake editor with a text field in front, the fake engine that
// upper-cases, keys posted through the sim, the virtual clock for the pauses and the restore.

#include "agent/actions/GlobalActionsManager.h"
#include "agent/app/PLCmdApplyCleaner.h"
#include "platform/input/ModifierFlags.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimKeyEvents.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimTextField.h"
#include "platform/sim/SimUserNotifications.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;
using namespace agenttest;

namespace {

const std::string kEditorID = "org.example.Editor";

class ApplyPipelineTest : public AgentSimFixture {
  public:
    ApplyPipelineTest()
        : keyEvents(world),
          keys(layout, keyEvents, defaults, agent.clock()),
          tracker(agent.workspace(), agent.pid()),
          manager({agent, shared, agent.workspace(), accessibility, world.sharedPasteboardStore(),
                   client, sounds, keys, tracker, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, &notices}),
          editor(world.launch(kEditorID)),
          field(keyEvents, editor.pid(), layout, world.sharedPasteboardStore()) {
        startEngine();
        connectEngine();
        world.apps().activate(editor);
        world.apps().clearRequests();
    }

    // The user's clipboard: text and a picture in one item, a second text item.
    void putUserClipboard() {
        auto board = general();
        board.clearContents();
        board.setString("user text");
        board.setData("PNGDATA", "public.png");
        board.writeObjects({"second"});
    }

    std::vector<std::string> keysPosted() {
        std::vector<std::string> out;
        for (const auto& p : keyEvents.posted) {
            if (!p.event.down) continue;
            const auto key = layout.translate(p.event.keyCode);
            std::string name = (p.event.flags & ModifierFlags::command) ? "cmd-" : "";
            out.push_back(name + key->characters.value_or("?"));
        }
        return out;
    }

    SimKeyboardLayout layout;
    SimUserNotifications notices;
    SimKeyEvents keyEvents;
    CGKeyCodeLookup keys;
    ActiveAppTracker tracker;
    GlobalActionsManager manager;
    SimProcess& editor;
    SimTextField field;
};

TEST_F(ApplyPipelineTest, PreserveDecisionFollowsOptionSettingAndExceptionList) {
    using List = std::optional<PropertyList::Array>;
    struct Case {
        const char* name;
        CleanerApplyOption option;
        bool preserveSetting;
        List list;
        bool frontHasBundleID;
        bool expected;
    };
    const PropertyList::Array registered{PropertyList("")};
    const PropertyList::Array withEditor{PropertyList("other"), PropertyList(kEditorID)};
    const Case cases[] = {
        {"leave on clipboard never", CleanerApplyOption::leaveOnClipboard, true, withEditor, true,
         false},
        {"clean clipboard never", CleanerApplyOption::cleanClipboard, true, withEditor, true,
         false},
        {"setting off", CleanerApplyOption::standard, false, withEditor, true, false},
        {"no bundle id", CleanerApplyOption::standard, true, registered, false, true},
        {"no list", CleanerApplyOption::standard, true, std::nullopt, true, true},
        {"list not of strings", CleanerApplyOption::standard, true,
         PropertyList::Array{PropertyList(5)}, true, true},
        {"registered default list", CleanerApplyOption::standard, true, registered, true, false},
        {"listed", CleanerApplyOption::standard, true, withEditor, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shared.setBool(GlobalActionsManager::kPreserveClipboard, c.preserveSetting);
        if (c.list)
            shared.setObject(GlobalActionsManager::kPreserveClipboardExpectionList,
                             PropertyList(*c.list));
        else
            shared.removeObjectForKey(GlobalActionsManager::kPreserveClipboardExpectionList);
        tracker.frontBundleID =
            c.frontHasBundleID ? std::optional<std::string>(kEditorID) : std::nullopt;
        EXPECT_EQ(manager.shouldPreserveClipboard(c.option), c.expected);
    }
}

TEST_F(ApplyPipelineTest, StandardApplyCopiesCleansPastesAndRestoresEveryTypeAfterAFifthSecond) {
    shared.setBool(GlobalActionsManager::kPreserveClipboard, true);
    shared.setObject(GlobalActionsManager::kPreserveClipboardExpectionList,
                     PropertyList(PropertyList::Array{PropertyList(kEditorID)}));
    putUserClipboard();
    const auto userItems = general().pasteboardItems();
    field.setText("hello world", 6, 5);
    const double start = world.now();

    manager.applyCleaner(kUpper, CleanerApplyOption::standard);

    EXPECT_EQ(field.text(), "hello WORLD");
    EXPECT_EQ(keysPosted(), (std::vector<std::string>{"cmd-c", "cmd-v"}));
    for (const auto& p : keyEvents.posted) EXPECT_EQ(p.pid, editor.pid());
    // Each press is followed by the default pause of a tenth of a second.
    EXPECT_DOUBLE_EQ(keyEvents.posted[2].time - keyEvents.posted[0].time, 0.1);
    EXPECT_EQ(requests(SimAppRequest::Kind::Activate).size(), 1u);
    EXPECT_EQ(sounds.beeps, 0);

    const double pasted = world.now();
    EXPECT_DOUBLE_EQ(pasted - start, 0.2);
    world.advance(0.19);
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "WORLD");
    world.advance(0.01);
    EXPECT_EQ(general().pasteboardItems(), userItems);
}

TEST_F(ApplyPipelineTest, WithoutPreservingTheCleanedTextStaysOnTheClipboard) {
    shared.setBool(GlobalActionsManager::kPreserveClipboard, true);  // list [""]: not this app
    shared.setObject(GlobalActionsManager::kPreserveClipboardExpectionList,
                     PropertyList(PropertyList::Array{PropertyList("")}));
    putUserClipboard();
    field.setText("abc", 0, 3);
    manager.applyCleaner(kUpper, CleanerApplyOption::standard);
    world.runUntilIdle();
    EXPECT_EQ(field.text(), "ABC");
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "ABC");
}

TEST_F(ApplyPipelineTest, ACopyThatChangesNothingStopsWithTwoBeepsAndNoRestore) {
    shared.setBool(GlobalActionsManager::kPreserveClipboard, true);
    putUserClipboard();
    const auto before = general().pasteboardItems();
    const int64_t count = general().changeCount();
    field.setText("hello", 0, 5);
    field.answersCopy = false;
    shared.setBool(GlobalActionsManager::kAutoSelectAll, true);

    manager.applyCleaner(kUpper, CleanerApplyOption::standard);
    world.runUntilIdle();

    EXPECT_EQ(printed("Purlane Error: Unable to get text from within the app to the clipboard."),
              std::vector<std::string>{
                  "Purlane Error: Unable to get text from within the app to the clipboard."});
    EXPECT_EQ(sounds.beeps, 2);
    EXPECT_EQ(keysPosted(), (std::vector<std::string>{"cmd-c", "cmd-a", "cmd-c"}));
    EXPECT_TRUE(engineRequests.empty());
    EXPECT_EQ(general().changeCount(), count);
    EXPECT_EQ(general().pasteboardItems(), before);
}

TEST_F(ApplyPipelineTest, AutoSelectAllCleansTheWholeFieldWhenNothingIsSelected) {
    shared.setBool(GlobalActionsManager::kAutoSelectAll, true);
    field.setText("whole text");
    manager.applyCleaner(kUpper, CleanerApplyOption::standard);
    EXPECT_EQ(keysPosted(), (std::vector<std::string>{"cmd-c", "cmd-a", "cmd-c", "cmd-v"}));
    EXPECT_EQ(field.text(), "WHOLE TEXT");
}

TEST_F(ApplyPipelineTest, LeaveOnClipboardCopiesAndCleansButDoesNotPaste) {
    field.setText("keep me", 0, 7);
    manager.applyCleaner(kUpper, CleanerApplyOption::leaveOnClipboard);
    world.runUntilIdle();
    EXPECT_EQ(keysPosted(), std::vector<std::string>{"cmd-c"});
    EXPECT_EQ(field.text(), "keep me");
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "KEEP ME");
}

TEST_F(ApplyPipelineTest, CleanClipboardSendsNoKeyAndActivatesNothingButStillNeedsItsChecks) {
    auto board = general();
    putText(board, "on the clipboard");
    manager.applyCleaner(kUpper, CleanerApplyOption::cleanClipboard);
    EXPECT_TRUE(keyEvents.posted.empty());
    EXPECT_TRUE(requests(SimAppRequest::Kind::Activate).empty());
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "ON THE CLIPBOARD");

    accessibility.trusted = false;
    putText(board, "again");
    manager.applyCleaner(kUpper, CleanerApplyOption::cleanClipboard);
    EXPECT_TRUE(logged("App appears not to be approved to use Accessibility"));
    EXPECT_TRUE(logged("Apply Cleaner action aborted!"));
    EXPECT_GT(accessibility.prompts, 0);
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "again");
}

TEST_F(ApplyPipelineTest, WithoutKeysTheClipboardIsCleanedInPlaceAndTheUserToldOnce) {
    keyEvents.eventSource = false;
    shared.setBool(GlobalActionsManager::kPreserveClipboard, true);
    shared.removeObjectForKey(GlobalActionsManager::kPreserveClipboardExpectionList);
    auto board = general();
    for (const char* copied : {"copied by hand", "and again"}) {
        putText(board, copied);
        manager.applyCleaner(kUpper, CleanerApplyOption::standard);
        world.advance(1);
        EXPECT_EQ(general().stringForType(PasteboardTypes::kString),
                  std::string(copied) == "and again" ? "AND AGAIN" : "COPIED BY HAND")
            << "cleaned and not restored";
    }
    EXPECT_TRUE(keyEvents.posted.empty());
    EXPECT_TRUE(requests(SimAppRequest::Kind::Activate).empty());
    ASSERT_EQ(notices.delivered.size(), 1u);
    EXPECT_EQ(notices.delivered[0].first, "Paste by hand");
}

TEST_F(ApplyPipelineTest, WhereTheFrontProcessIsUnknownTheKeysGoToTheFocus) {
    agent.workspace().frontmostProcessKnown = false;
    tracker.frontProcessID = -1;
    keyEvents.focusedPid = editor.pid();
    field.setText("focused", 0, 7);
    manager.applyCleaner(kUpper, CleanerApplyOption::standard);
    EXPECT_EQ(field.text(), "FOCUSED");
    for (const auto& p : keyEvents.posted) EXPECT_EQ(p.pid, -1);
    EXPECT_TRUE(requests(SimAppRequest::Kind::Activate).empty());
}

TEST_F(ApplyPipelineTest, AFocusThatMovedBeforeThePasteLeavesTheResultOnTheClipboard) {
    auto& other = world.launch("org.example.Other");
    world.apps().activate(editor);
    // An editor whose copy opens a window of another application.
    keyEvents.setReceiver(editor.pid(), [&](const KeyEvent& event) {
        if (!event.down || !(event.flags & ModifierFlags::command)) return;
        if (layout.translate(event.keyCode)->commandCharacters != "c") return;
        auto board = general();
        putText(board, "selection");
        world.apps().activate(other);
    });
    shared.setBool(GlobalActionsManager::kPreserveClipboard, true);
    shared.removeObjectForKey(GlobalActionsManager::kPreserveClipboardExpectionList);
    manager.applyCleaner(kUpper, CleanerApplyOption::standard);
    world.advance(1);
    EXPECT_EQ(keysPosted(), std::vector<std::string>{"cmd-c"});
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "SELECTION");
    EXPECT_EQ(sounds.beeps, 1);
}

TEST_F(ApplyPipelineTest, AFrontApplicationThatQuitIsReportedWithTwoBeeps) {
    tracker.frontProcessID = 4242;
    tracker.frontBundleID.reset();
    manager.applyCleaner(kUpper, CleanerApplyOption::cleanClipboard);
    EXPECT_EQ(printed("Could not clean text within App: "),
              std::vector<std::string>{"Could not clean text within App: 4242, ?"});
    EXPECT_EQ(sounds.beeps, 2);
    EXPECT_TRUE(engineRequests.empty());
}

TEST_F(ApplyPipelineTest, WithoutAnEngineThePasteAndTheRestoreStillRun) {
    world.apps().uninstall(kEngineID);
    for (auto* p : world.apps().running())
        if (p->bundleIdentifier() == kEngineID) p->application().terminate();
    world.runUntilIdle();
    shared.setBool(GlobalActionsManager::kPreserveClipboard, true);
    shared.removeObjectForKey(GlobalActionsManager::kPreserveClipboardExpectionList);
    putUserClipboard();
    const auto userItems = general().pasteboardItems();
    field.setText("as it was", 0, 9);

    manager.applyCleaner(kUpper, CleanerApplyOption::standard);
    EXPECT_EQ(keysPosted(), (std::vector<std::string>{"cmd-c", "cmd-v"}));
    EXPECT_EQ(field.text(), "as it was");
    world.advance(0.2);
    EXPECT_EQ(general().pasteboardItems(), userItems);
}

TEST_F(ApplyPipelineTest, TheTrackerKeepsTheUsersApplicationWhileTheAgentsPopoverIsActive) {
    manager.popoverStateChangeWithIsActive(true);
    world.apps().activate(agent);
    EXPECT_EQ(tracker.frontProcessID, editor.pid());
    EXPECT_EQ(manager.frontAppName(), tracker.frontAppName);

    manager.popoverStateChangeWithIsActive(false);
    world.apps().activate(editor);
    world.apps().activate(agent);
    EXPECT_EQ(tracker.frontProcessID, agent.pid());
}

TEST_F(ApplyPipelineTest, TheScriptCommandMapsItsOptionNames) {
    field.setText("script", 0, 6);
    auto run = [&](std::optional<std::string> option) {
        PropertyList::Dictionary arguments;
        if (option) arguments.set("option", PropertyList(*option));
        PLCmdApplyCleaner command({client, world.sharedPasteboardStore(), &manager},
                                  PropertyList(kUpper), arguments);
        command.performDefaultImplementation();
        world.runUntilIdle();
    };
    run("leave");
    EXPECT_EQ(field.text(), "script");
    EXPECT_EQ(general().stringForType(PasteboardTypes::kString), "SCRIPT");
    run("sideways");
    EXPECT_TRUE(logged("apply cleaner: unknown option 'sideways' (standard, leave or clipboard)"));
    run(std::nullopt);
    EXPECT_EQ(field.text(), "SCRIPT");
}

}  // namespace
