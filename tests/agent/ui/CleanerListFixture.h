#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/engine/PLClient.h"
#include "agent/ui/PLCleanerListViewController.h"
#include "platform/sim/SimModifierFlags.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorld.h"

namespace uitest {

inline const std::string kWebUuid = "0B8E3D52-WEB";

GroupItem cleaner(const std::string& token, const std::string& name, const std::string& desc = {},
                  ItemColor color = ItemColor::auto_);
GroupItem label(const std::string& name);
GroupItem spacer(const std::string& name = "-", const std::string& token = "#SPACER");

// A small library: Standard (label, cleaners, separators), Basic, Library, Web, Custom.
SharedPurlaneData2 sampleLibrary();

// Records what the controller asks of its view.
struct RecordingView : PLCleanerListView {
    void reloadTable() override { ++reloads; }
    void setSearchText(const std::string& text) override { searchText = text; }
    bool focusSearchField() override {
        focus = "search";
        return true;
    }
    void focusTable() override { focus = "table"; }
    void selectRow(int row) override { selected = row; }
    void deselectAll() override { selected = -1; }
    void setPopupHidden(bool hidden) override { popupHidden = hidden; }
    void popupMenuChanged() override { ++popupChanges; }

    int reloads = 0;
    int popupChanges = 0;
    std::string searchText;
    std::string focus;
    int selected = -1;
    bool popupHidden = false;
};

struct RecordingDelegate : PLCleanerListViewDelegate {
    void cleanerListDidChoose(const std::string& token, const std::string& name,
                              const std::string& desc) override {
        chosen.push_back(token + "|" + name + "|" + desc);
    }
    void cleanerListWantsCustomize() override { ++customize; }
    bool cleanerListDidLoad(PLCleanerListViewController& list) override {
        groupAtLoad = list.currentGroup().uuid;
        return true;
    }
    std::vector<std::string> chosen;
    int customize = 0;
    std::string groupAtLoad;
};

// A simulated agent with the sample library loaded into its client.
class CleanerListFixture : public ::testing::Test {
  public:
    CleanerListFixture();

    // A list on the sim with the recording view and delegate; not loaded yet.
    PLCleanerListViewController& makeList();
    // makeList() and viewDidLoad().
    PLCleanerListViewController& loadList();
    std::vector<std::string> rowTokens() const;
    std::vector<std::string> popupTitles() const;

    platform::SimWorld world;
    platform::SimProcess& agent;
    platform::UserDefaults& defaults;
    platform::SimSounds sounds;
    platform::SimModifierFlags modifiers;
    PLClient client;
    RecordingView view;
    RecordingDelegate delegate;
    std::unique_ptr<PLCleanerListViewController> list;
};

}  // namespace uitest
