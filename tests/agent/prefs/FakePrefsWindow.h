#pragma once

#include <map>
#include <string>
#include <vector>

#include "agent/prefs/PLPreferencesWindow.h"
#include "agent/prefs/PLPrefsViewController.h"

// A preferences window that records what its controller asks. Each pane's view has the size
// given in `paneSizes` (by keyName); the window's decoration adds 60 points of height.
class FakePrefsWindow : public PLPreferencesWindow {
  public:
    static constexpr double kDecoration = 60;

    void setToolbar(const std::string& id, const std::vector<PLPrefsToolbarItem>& list) override {
        toolbarIdentifier = id;
        items = list;
        ++toolbars;
    }
    void setSelectedToolbarItem(const std::string& id) override { selectedItem = id; }
    std::string title() const override { return title_; }
    void setTitle(const std::string& t) override {
        title_ = t;
        titles.push_back(t);
    }
    platform::Rect frame() const override { return frame_; }
    platform::Size contentSize() const override {
        return {frame_.size.width, frame_.size.height - kDecoration};
    }
    void setFrame(const platform::Rect& f, bool) override { frame_ = f; }
    void showEmptyContent() override { content = nullptr; }
    platform::Size paneViewSize(PLPrefsViewController& pane) override {
        auto it = paneSizes.find(pane.keyName());
        return it == paneSizes.end() ? platform::Size{400, 300} : it->second;
    }
    void showPane(PLPrefsViewController& pane) override { content = &pane; }
    void forgetPane(PLPrefsViewController& pane) override { forgotten.push_back(pane.keyName()); }
    void makeKeyAndOrderFront() override {
        visible = true;
        ++fronts;
    }
    void orderOut() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setCloseWithKeyboard(bool on) override { closeWithKeyboard = on; }

    std::string toolbarIdentifier;
    std::vector<PLPrefsToolbarItem> items;
    int toolbars = 0;
    std::string selectedItem;
    std::string title_;
    std::vector<std::string> titles;
    platform::Rect frame_{{100, 500}, {400, 360}};
    PLPrefsViewController* content = nullptr;
    std::vector<std::string> forgotten;
    bool visible = false;
    int fronts = 0;
    bool closeWithKeyboard = false;
    std::map<std::string, platform::Size> paneSizes;
};

// A pane that only has a name, and refuses to be left while `refuse` is set.
class NamedPane : public PLPrefsViewController {
  public:
    explicit NamedPane(std::string name) : name_(std::move(name)) {}
    std::string keyName() const override { return name_; }
    bool commitEditing() override { return !refuse; }
    void viewWillAppear() override { ++appearances; }
    bool refuse = false;
    int appearances = 0;

  private:
    std::string name_;
};
