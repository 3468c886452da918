#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "agent/engine/PLClient.h"
#include "agent/prefs/PLPrefsGlobalShortcutsController.h"
#include "agent/shortcuts/GlobalHotKeys.h"
#include "agent/shortcuts/ValidatorChecks.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorld.h"

namespace hotkeystest {

// A small library: built-in groups, the library group (with a heading and a spacer), a user
// group and a custom cleaner.
SharedPurlaneData2 sampleLibrary();

// Records what the pane asks of its view.
struct RecordingView : GlobalShortcutsPaneView {
    void reloadTable() override { ++reloads; }
    std::optional<int> selectedRow() const override { return selected; }
    void popUpAddMenu(platform::Menu& menu) override { addMenu = &menu; }
    void presentActionEditor(ShortcutActionController& editor, int row) override {
        presented.push_back(&editor);
        presentedRow = row;
    }
    void dismissActionEditor() override { ++dismissals; }

    int reloads = 0;
    std::optional<int> selected;
    platform::Menu* addMenu = nullptr;
    std::vector<ShortcutActionController*> presented;
    int presentedRow = -1;
    int dismissals = 0;
};

// The pane on a simulated agent whose hot keys are registered from the same list, again after
// every save, as the actions manager does.
class HotKeysPaneFixture : public ::testing::Test {
  public:
    HotKeysPaneFixture();
    ~HotKeysPaneFixture() override;

    // The pane as the window shows it: view attached, about to appear.
    PLPrefsGlobalShortcutsController& showPane();
    std::vector<std::string> labels();
    // The stored records (what the hot keys are registered from).
    std::vector<Shortcut> stored();

    platform::SimWorld world;
    platform::SimProcess& agent;
    platform::UserDefaults& defaults;
    platform::SimSounds sounds;
    platform::SimHotKeys systemHotKeys;
    platform::SimKeyboardLayout layout;
    MASShortcutValidator validator;
    ValidatorChecks checks;
    PLClient client;
    ShortcutList list;
    MASShortcutMonitor monitor;
    GlobalHotKeys hotKeys;
    platform::ObserverToken hotkeysChanged;
    RecordingView view;
    PLPrefsGlobalShortcutsController pane;
};

}  // namespace hotkeystest
