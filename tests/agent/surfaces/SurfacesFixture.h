#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "agent/engine/PLClientProtocol.h"
#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "agent/surfaces/GlobalPopoverDelegate.h"
#include "agent/surfaces/PopoverContent.h"
#include "agent/surfaces/PopoverContentFactory.h"
#include "agent/surfaces/PopoverResize.h"
#include "agent/surfaces/PopoverViewFactory.h"
#include "platform/core/Log.h"
#include "platform/sim/SimModifierFlags.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

namespace surfacestest {

// A client over a library snapshot the test fills; nothing reaches an engine.
class FakeClient : public PLClientProtocol {
  public:
    FakeClient()
        : data_(std::make_shared<PLClientData>()),
          container_(data_, [this]() -> FavoritesAndRecents& { return *favorites_; }) {}

    // Built-in groups (the library group is added), user groups and the custom cleaners.
    void load(std::vector<Group> builtin, std::vector<Group> user, std::vector<GroupItem> custom);

    std::string nameFor(const std::string& token) override { return data_->nameFor(token); }
    std::string tokenFor(const std::string& name) override { return data_->tokenFor(name); }
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
    FavoritesAndRecents* favorites_ = nullptr;
};

// `count` cleaners "<prefix>1"… with tokens "#<prefix>1"….
std::vector<GroupItem> cleaners(const std::string& prefix, int count);
GroupItem cleaner(const std::string& token, const std::string& name,
                  ItemColor color = ItemColor::auto_);

// A content controller that only remembers what it was told.
class FakeContent : public PopoverContent {
  public:
    explicit FakeContent(platform::Size size) : size_(size) {}
    void setDelegate(GlobalPopoverDelegate* d) override { delegate = d; }
    CleanerApplyOption applyOption() const override { return option; }
    void setApplyOption(CleanerApplyOption o) override { option = o; }
    platform::Size originalSize() const override { return size_; }
    void viewWillAppear() override { ++appearances; }

    GlobalPopoverDelegate* delegate = nullptr;
    CleanerApplyOption option = CleanerApplyOption::standard;
    int appearances = 0;

  private:
    platform::Size size_;
};

class FakePopoverView : public PopoverView {
  public:
    void setResizeTracker(PopoverResize* r) override { resize = r; }
    void show(std::optional<platform::Rect> rect, bool anim) override {
        shown = true;
        positioning = rect;
        animated = anim;
        ++shows;
    }
    void close() override { shown = false; }
    bool isShown() const override { return shown; }
    void setContentSize(platform::Size s) override { size = s; }
    void setDismissHandler(std::function<void()> h) override { dismiss = std::move(h); }

    PopoverResize* resize = nullptr;
    bool shown = false;
    int shows = 0;
    std::optional<platform::Rect> positioning;
    bool animated = false;
    platform::Size size;
    std::function<void()> dismiss;
};

// Makes FakeContent of a natural size and FakePopoverView, remembering the layouts asked for.
class FakePopoverFactory : public PopoverContentFactory, public PopoverViewFactory {
  public:
    std::unique_ptr<PopoverContent> makeContentController(PopoverLayout layout) override {
        contentLayouts.push_back(layout);
        auto made = std::make_unique<FakeContent>(naturalSize);
        content = made.get();
        return made;
    }
    std::unique_ptr<PopoverView> makePopoverView(PopoverLayout layout, PopoverContent&) override {
        viewLayouts.push_back(layout);
        auto made = std::make_unique<FakePopoverView>();
        view = made.get();
        return made;
    }
    platform::Rect mainScreenVisibleFrame() const override { return visibleFrame; }

    platform::Size naturalSize{320, 480};
    platform::Rect visibleFrame{{0, 0}, {1440, 875}};
    std::vector<PopoverLayout> contentLayouts;
    std::vector<PopoverLayout> viewLayouts;
    FakeContent* content = nullptr;
    FakePopoverView* view = nullptr;
};

// One agent process on a sim world, its defaults, held modifiers and captured output.
class SurfacesFixture : public ::testing::Test {
  public:
    SurfacesFixture()
        : agent(world.launch("com.halvik.purlane.agent")), defaults(agent.standardUserDefaults()) {}

    bool printed(const std::string& line) const;

    platform::ScopedLogCapture logs;
    platform::SimWorld world;
    platform::SimProcess& agent;
    platform::UserDefaults& defaults;
    platform::SimModifierFlags modifiers;
    FakeClient client;
};

}  // namespace surfacestest
