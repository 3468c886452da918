// The Services pane's widget drawn offscreen on the sim (written to build/screenshots/ for a
// look), and its controls reaching the pane: the checkbox writes and trashes the custom bundle.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "agent/library/SharedDataLoader.h"
#include "agent/prefs/PLPrefsServicesWidget.h"
#include "platform/sim/SimServicesMenu.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"
#include "tests/support/QtWidgetsApp.h"

namespace {

namespace fs = std::filesystem;
void shoot(QWidget& widget, const std::string& name) {
    testsupport::settle();
    testsupport::saveScreenshot(widget, "ServicesPane-" + name);
}

const char* kUserLibrary = R"({
  "groups": [{"uuid": "0B8E3D52-6A41-4C8F-9E0B-2A7F55C1D9E4", "name": "Web Pages",
              "tokens": ["#LABEL:Tidy", "trim", "#SPACER", "my-quote", "my-slug"],
              "colortags": [0, 2, 0, 4, 7]},
             {"uuid": "5C0D1E7A-3B8F-4A61-9D2E-7F4B8A6C1E30", "name": "Headings Only",
              "tokens": ["#LABEL:Nothing here"], "colortags": [0]}],
  "special": {"uuid": "##Custom", "name": "Custom", "tokens": ["my-slug", "my-quote"],
              "colortags": [7, 4]},
  "lookup": {"#LABEL:Tidy": ["Tidy", ""], "trim": ["Trim", ""],
             "#SPACER": ["-", ""], "my-slug": ["Make a URL Slug", ""],
             "my-quote": ["Quote Every Line for a Reply", ""],
             "#LABEL:Nothing here": ["Nothing here", ""]}
})";

class ServicesPaneWidget : public agenttest::AgentSimFixture {
  public:
    ServicesPaneWidget() {
        testsupport::ensureQtWidgetsApplication();
        installLibrary();
        writeLibraryFile(SharedDataLoader::kUserJson, kUserLibrary);
        client.updateSharedData();
        PLPrefsServicesWidget::install(pane);
        widget.reset(static_cast<PLPrefsServicesWidget*>(pane.makeView(nullptr)));
        widget->resize(widget->sizeHint());
        pane.viewWillAppear();
        widget->show();
    }
    fs::path customBundle() const {
        return temp.path() / "Library/Services" / ServicesBuilder::kCustomBundleName;
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int i = 0; i < widget->serviceItems()->count(); ++i)
            out.push_back(widget->serviceItems()->item(i)->text().toStdString());
        return out;
    }

    platform::SimServicesMenu menu{agent, temp.path() / "Library/Services"};
    KeyboardShortcutSettings keyboard{
        KeyboardShortcutSettings::knownPrograms(),
        [](const std::string& name) { return name == "gnome-control-center"; },
        [](const KeyboardShortcutSettings::Program&) { return true; }};
    PLPrefsServicesController pane{{client, defaults, agent.workspace(), agent.notificationCenter(),
                                    &menu, temp.path() / "Library", &keyboard}};
    std::unique_ptr<PLPrefsServicesWidget> widget;
};

TEST_F(ServicesPaneWidget, TheCustomCheckboxWritesAndTrashesTheBundleAndListsTheEntries) {
    EXPECT_EQ(widget->servicesMenu()->count(), 2);
    EXPECT_EQ(widget->servicesMenu()->currentText(), "Web Pages");
    EXPECT_FALSE(widget->customCheckbox()->isChecked());
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(widget->keyboardButton()->isEnabled());
    shoot(*widget, "off");

    widget->customCheckbox()->click();
    widget->standardCheckbox()->click();
    EXPECT_TRUE(fs::exists(customBundle() / "info.plist"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"Trim", "Quote Every Line for a Reply",
                                                "Make a URL Slug"}));
    EXPECT_EQ(widget->serviceItems()->item(0)->flags() & Qt::ItemIsSelectable, 0);
    EXPECT_EQ(widget->serviceItemsCount()->text(), "");
    shoot(*widget, "on");

    // A group with no cleaners: the note instead of entries.
    emit widget->servicesMenu()->activated(1);
    EXPECT_EQ(widget->servicesMenu()->currentIndex(), 1);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(widget->serviceItemsCount()->text(), "No Valid Items");
    shoot(*widget, "no-valid-items");

    widget->customCheckbox()->click();
    EXPECT_FALSE(fs::exists(customBundle()));
    EXPECT_TRUE(fs::exists(*world.trashDirectory() / ServicesBuilder::kCustomBundleName));
    EXPECT_TRUE(widget->standardCheckbox()->isChecked());
}

TEST_F(ServicesPaneWidget, WithoutUserGroupsThePopupIsDisabled) {
    writeLibraryFile(SharedDataLoader::kUserJson, R"({"groups": [],
      "special": {"uuid": "##Custom", "name": "Custom", "tokens": [], "colortags": []},
      "lookup": {}})");
    client.updateSharedData();
    EXPECT_EQ(widget->servicesMenu()->count(), 0);
    EXPECT_FALSE(widget->servicesMenu()->isEnabled());
    shoot(*widget, "no-groups");
}

}  // namespace
