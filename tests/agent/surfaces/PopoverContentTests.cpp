// The popover's content controllers: what they show before each appearance, the options popup,
// the action menu, and what choosing, Escape and the menu-mode switch ask of the status bar.

#include "agent/surfaces/GlobalPopover.h"
#include "agent/surfaces/GlobalPopover2.h"
#include "agent/surfaces/GlobalPopoverFactory.h"
#include "platform/sim/SimSounds.h"
#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace surfacestest;

namespace {

class RecordingPopoverDelegate : public GlobalPopoverDelegate {
  public:
    void applyCleaner(const std::string& c, CleanerApplyOption o) override {
        calls.push_back("apply " + c + " " + std::to_string(static_cast<int>(o)));
    }
    void displayAsMenu() override { calls.push_back("menu"); }
    void closePopover() override { calls.push_back("close"); }
    std::optional<std::string> frontAppName() override { return "Editor"; }
    std::vector<std::string> calls;
};

class RecordingActions : public ApplicationActions {
  public:
    void showAboutPanel() override { calls.push_back("about"); }
    void showPreferencesWindow() override { calls.push_back("preferences"); }
    void launchPurlaneApp() override { calls.push_back("launch"); }
    void checkForAppUpdates() override { calls.push_back("updates"); }
    void showOnlineHelp() override { calls.push_back("help"); }
    void terminate() override { calls.push_back("terminate"); }
    std::vector<std::string> calls;
};

class PopoverContentTest : public SurfacesFixture {
  public:
    PopoverContentTest() {
        client.load({Group("Standard", Group::kStandardUuid, cleaners("std", 2))},
                    {Group("Mine", "u-mine", cleaners("mine", 2))}, {});
    }

    GlobalPopoverContent::Collaborators collaborators() {
        return {.list = {.client = &client,
                         .defaults = &defaults,
                         .notificationCenter = &agent.notificationCenter(),
                         .sounds = &sounds,
                         .modifiers = &modifiers},
                .defaults = defaults,
                .info = {{"CFBundleShortVersionString", PropertyList("9.1")},
                         {"CFBundleVersion", PropertyList("901")}},
                .updateAvailable = [this] { return updateAvailable; },
                .actions = &actions};
    }
    GroupListViewController::Collaborators sidebar() {
        return {&client, &defaults, &agent.notificationCenter(), &modifiers};
    }

    SimSounds sounds;
    RecordingActions actions;
    RecordingPopoverDelegate delegate;
    bool updateAvailable = false;
};

TEST_F(PopoverContentTest, WillAppearShowsOptionLabelVersionLinkAndUpdateNotice) {
    const struct {
        bool split;
        bool pl8;
        bool update;
        bool linkHidden;
    } cases[] = {
        {false, false, false, true},
        {false, true, true, false},
        {true, true, false, true},  // the split layout has no link indicator
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.split << c.pl8 << c.update);
        defaults.setBool(GlobalPopoverContent::kPL8ConnectKey, c.pl8);
        updateAvailable = c.update;
        std::unique_ptr<GlobalPopoverContent> content;
        if (c.split)
            content = std::make_unique<GlobalPopover>(collaborators(), sidebar());
        else
            content = std::make_unique<GlobalPopover2>(collaborators());
        content->setDelegate(&delegate);
        int changes = 0;
        content->controlsChanged = [&] { ++changes; };
        content->setApplyOption(CleanerApplyOption::cleanClipboard);
        content->viewWillAppear();

        EXPECT_TRUE(printed("applyOption = 2"));
        EXPECT_EQ(content->standardOptionTitle(), "Clean text in 'Editor'");
        EXPECT_EQ(content->versionString(), "v9.1 (901)");
        EXPECT_EQ(content->pl8linkIndicatorHidden(), c.linkHidden);
        EXPECT_EQ(content->updatesNoticeHidden(), !c.update);
        EXPECT_EQ(content->updatesButtonTinted(), c.update);
        EXPECT_EQ(changes, 2);
    }
}

TEST_F(PopoverContentTest, ActionMenuItemsInOrderReachTheApplication) {
    GlobalPopover2 content(collaborators());
    Menu& menu = content.actionMenu();
    const struct {
        std::string title, key, call;
    } expected[] = {
        {"", " ", ""},
        {"About", "", "about"},
        {"Settings…", ",", "preferences"},
        {"Launch Purlane", "l", "launch"},
        {"-", "", ""},
        {"Check for updates…", "u", "updates"},
        {"Help…", "/", "help"},
        {"-", "", ""},
        {"Quit purlaneAgent", "", "terminate"},
    };
    ASSERT_EQ(menu.numberOfItems(), std::size(expected));
    for (size_t i = 0; i < menu.numberOfItems(); ++i) {
        const MenuItem& item = menu.items()[i];
        const auto& e = expected[i];
        SCOPED_TRACE(e.title);
        EXPECT_EQ(item.isSeparatorItem() ? "-" : item.title, e.title);
        EXPECT_EQ(item.keyEquivalent, e.key);
        actions.calls.clear();
        menu.performActionForItemAt(i);
        EXPECT_EQ(actions.calls,
                  e.call.empty() ? std::vector<std::string>{} : std::vector<std::string>{e.call});
    }
}

TEST_F(PopoverContentTest, OptionsPopupChoosingEscapeAndMenuModeGoThroughTheStatusBar) {
    GlobalPopover2 content(collaborators());
    content.cleanerListDidChoose("#x", "x", "");  // no delegate yet: nothing happens
    content.setDelegate(&delegate);
    // The options popup: 3 or more selects standard.
    for (auto [written, read] : {std::pair{2, 2}, {3, 0}, {1, 1}, {7, 0}, {1, 1}}) {
        content.setOptionValue(written);
        EXPECT_EQ(content.optionValue(), read) << written;
    }
    content.cleanerListDidChoose("#std1", "std1", "");
    content.cancelOperation();
    content.actionDisplayAsMenu();
    content.actionQuitApp();
    EXPECT_EQ(delegate.calls,
              (std::vector<std::string>{"apply #std1 1", "close", "close", "menu", "close"}));
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"terminate"}));
}

TEST_F(PopoverContentTest, ListsAreSetUpPerLayoutAndTheSidebarPicksTheListsGroup) {
    GlobalPopoverFactory factory(collaborators(), sidebar());
    auto list = factory.makeContentController(PopoverLayout::list);
    auto split = factory.makeContentController(PopoverLayout::split);
    auto* single = dynamic_cast<GlobalPopover2*>(list.get());
    auto* sided = dynamic_cast<GlobalPopover*>(split.get());
    ASSERT_TRUE(single && sided);

    const auto& l1 = single->contentController();
    EXPECT_FALSE(l1.showEditOption);
    EXPECT_TRUE(l1.showUserGroups);
    EXPECT_TRUE(l1.showGroupPopup);
    const auto& l2 = sided->contentController();
    EXPECT_FALSE(l2.showEditOption);
    EXPECT_TRUE(l2.showUserGroups);
    EXPECT_FALSE(l2.showGroupPopup);

    single->viewDidLoad({340, 480});
    EXPECT_EQ(single->originalSize(), (Size{340, 480}));
    EXPECT_EQ(single->contentController().delegate, single);
    EXPECT_TRUE(single->contentController().autoFocusOnSearch);
    single->cleanerListDidLoad(single->contentController());
    EXPECT_EQ(single->contentController().listPopupKeyEquivalent(), "g");
    EXPECT_EQ(single->contentController().listPopupKeyEquivalentModifierMask(),
              ModifierFlags::command);

    EXPECT_EQ(sided->groupListController().delegate, sided);
    sided->groupListDidSelectGroup("Mine");
    EXPECT_EQ(sided->contentController().currentGroup().name, "Mine");
    EXPECT_FALSE(defaults.objectForKey(PLCleanerListViewController::kDefaultGroupKey));
}

}  // namespace
