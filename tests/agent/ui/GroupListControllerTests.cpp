// The group sidebar on the sim: its rows, selection, header and choices.

#include <gtest/gtest.h>

#include "agent/ui/GroupListViewController.h"
#include "tests/agent/ui/CleanerListFixture.h"

using namespace uitest;

namespace {

struct SidebarView : GroupListView {
    void reloadTable() override { ++reloads; }
    void selectRow(int row) override { selected = row; }
    void setHeader(bool visible, const std::string& title) override {
        headerVisible = visible;
        header = title;
    }
    int reloads = 0;
    int selected = -2;
    bool headerVisible = true;
    std::string header;
};

struct SidebarHost : GroupListViewDelegate {
    void groupListDidSelectGroup(const std::string& name) override { chosen.push_back(name); }
    std::vector<std::string> chosen;
};

class GroupSidebar : public CleanerListFixture {
  public:
    GroupListViewController sidebar{{&client, &defaults, &agent.notificationCenter(), &modifiers}};
    SidebarView sideView;
    SidebarHost host;
};

TEST_F(GroupSidebar, RowsSelectionAndHeader) {
    sidebar.setView(&sideView);
    sidebar.setCurrent("Basic");
    sidebar.viewDidLoad();
    EXPECT_EQ(sidebar.entries(),
              (std::vector<std::string>{"Standard", "Basic", "Library", "Custom", "-", "Web"}));
    EXPECT_EQ(sideView.selected, 1);
    EXPECT_FALSE(sideView.headerVisible);
    EXPECT_TRUE(sidebar.isSeparatorRow(4));
    EXPECT_FALSE(sidebar.shouldSelectRow(4));
    EXPECT_FALSE(sidebar.shouldSelectRow(6));

    sidebar.setColumnTitle("Groups");
    EXPECT_TRUE(sideView.headerVisible);
    EXPECT_EQ(sideView.header, "Groups");

    // Display options and library changes reload the names.
    defaults.setInteger("AppGroupDisplayOrder", 1);
    agent.notificationCenter().post("com.purlane.listDisplayOptionsUpdated");
    EXPECT_EQ(sidebar.entries().front(), "Web");
    EXPECT_EQ(sideView.selected, 3);
    const int reloads = sideView.reloads;
    agent.notificationCenter().post("com.purlane.clientinfoUpdated");
    EXPECT_EQ(sideView.reloads, reloads + 1);
}

TEST_F(GroupSidebar, ChoosingARow) {
    sidebar.setView(&sideView);
    sidebar.viewDidLoad();
    sidebar.delegate = &host;
    sidebar.chooseRow(4);  // separator: nothing
    sidebar.chooseRow(5);
    EXPECT_EQ(host.chosen, std::vector<std::string>{"Web"});
    EXPECT_EQ(sidebar.current(), "Web");
    EXPECT_EQ(sideView.selected, 5);

    // Without a host delegate the attached list shows the group, never remembering it.
    sidebar.delegate = nullptr;
    sidebar.cleanerList = &loadList();
    modifiers.setFlags(platform::ModifierFlags::option);
    sidebar.chooseRow(1);
    EXPECT_EQ(list->currentGroup().uuid, "##Basic");
    EXPECT_FALSE(defaults.stringForKey("AppDefaultGroup"));
}

}  // namespace
