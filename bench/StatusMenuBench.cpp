// The status menu rebuilt as it opens, for a current group of 2 000 cleaners (coloured, with a
// heading and spacers now and then), and the pop-up group menu of the same group.

#include <benchmark/benchmark.h>

#include "agent/engine/PLClientProtocol.h"
#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "agent/library/SharedPurlaneData2.h"
#include "agent/surfaces/GlobalMenu.h"
#include "platform/sim/SimModifierFlags.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

namespace {

// The library snapshot behind the menu; no engine.
class SnapshotClient : public PLClientProtocol {
  public:
    explicit SnapshotClient(int items)
        : data_(std::make_shared<PLClientData>()),
          container_(data_, []() -> FavoritesAndRecents& { std::abort(); }) {
        std::vector<GroupItem> rows;
        for (int i = 0; i < items; ++i) {
            if (i % 100 == 0)
                rows.push_back(
                    makeItem("#LABEL:Part " + std::to_string(i), "", "", ItemColor::auto_));
            else if (i % 50 == 0)
                rows.push_back(makeItem("#SPACER", "-", "", ItemColor::auto_));
            else
                rows.push_back(makeItem("#C" + std::to_string(i), "Cleaner " + std::to_string(i),
                                        "Does thing " + std::to_string(i),
                                        static_cast<ItemColor>(i % 8)));
        }
        SharedPurlaneData2 data;
        data.builtin.groups = {Group("Standard", Group::kStandardUuid, {}),
                               Group("Big", "u-big", rows)};
        data.builtin.library = Group("Library", Group::kLibraryUuid, {});
        data.user.ccleaners = Group("Custom", Group::kCustomUuid, {});
        for (int g = 0; g < 20; ++g)
            data.user.groups.push_back(Group("User " + std::to_string(g), "u" + std::to_string(g)));
        data_->update(data);
    }
    std::string nameFor(const std::string& t) override { return data_->nameFor(t); }
    std::string tokenFor(const std::string& n) override { return data_->tokenFor(n); }
    void cleanClipboardWith(const std::string&) override {}
    void cleanPasteboardWithName(const std::string&, const std::string&) override {}
    void cleanPasteboard(platform::Pasteboard&, const std::string&) override {}
    std::vector<std::string> textEncodingList() override { return {}; }
    bool validateEncodingName(const std::string&) override { return false; }
    std::string showPickListWithStart(const std::optional<std::string>&) override {
        return "#CANCEL";
    }
    void cleanWithUrl(const platform::Url&, const platform::PropertyList::Dictionary&) override {}
    std::vector<std::string> libraryTokenList() override { return data_->libraryTokenList(); }
    std::vector<std::string> grouplist(int type) override { return data_->groupNames(type); }
    PLClientGroupsContainer& groups() override { return container_; }

  private:
    std::shared_ptr<PLClientData> data_;
    PLClientGroupsContainer container_;
};

class OpenPresenter : public platform::MenuPresenter {
  public:
    platform::Point mouseLocation() const override { return {}; }
    bool popUpMenu(platform::Menu& menu, platform::Point) override {
        benchmark::DoNotOptimize(menu.numberOfItems());
        return true;
    }
};

void BM_StatusMenuOf2000Items(benchmark::State& state) {
    platform::SimWorld world;
    auto& agent = world.launch("com.halvik.purlane.agent");
    agent.standardUserDefaults().setString(GlobalMenu::kSelectedGroupKey, "Big");
    SnapshotClient client(2000);
    platform::SimModifierFlags modifiers;
    OpenPresenter presenter;
    GlobalMenu menu({client, agent.standardUserDefaults(), &modifiers, &presenter});
    for (auto _ : state) {
        menu.menuNeedsUpdate();
        benchmark::DoNotOptimize(menu.statusMenu.numberOfItems());
    }
}
BENCHMARK(BM_StatusMenuOf2000Items)->Unit(benchmark::kMillisecond);

void BM_PopUpGroupMenuOf2000Items(benchmark::State& state) {
    platform::SimWorld world;
    auto& agent = world.launch("com.halvik.purlane.agent");
    SnapshotClient client(2000);
    OpenPresenter presenter;
    GlobalMenu menu({client, agent.standardUserDefaults(), nullptr, &presenter});
    for (auto _ : state) menu.showGroupMenuWithName("Big");
}
BENCHMARK(BM_PopUpGroupMenuOf2000Items)->Unit(benchmark::kMillisecond);

}  // namespace
