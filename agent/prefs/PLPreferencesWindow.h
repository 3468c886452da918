#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"

class PLPrefsViewController;

// One toolbar item of the preferences window, as the controller describes it.
struct PLPrefsToolbarItem {
    std::string identifier;
    std::string label;
    // The bundle image and the optional system-symbol name the view layer looks up first.
    std::string imageName;
    std::optional<std::string> imageName11;
    friend bool operator==(const PLPrefsToolbarItem&, const PLPrefsToolbarItem&) = default;
};

// The preferences window as its controller drives it. Frames are in the OS's screen
// coordinates (origin bottom-left, y up). The window reports clicks on its toolbar items and
// close requests back to the controller that made it.
class PLPreferencesWindow {
  public:
    virtual ~PLPreferencesWindow() = default;

    virtual void setToolbar(const std::string& toolbarIdentifier,
                            const std::vector<PLPrefsToolbarItem>& items) = 0;
    virtual void setSelectedToolbarItem(const std::string& identifier) = 0;
    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;

    virtual platform::Rect frame() const = 0;
    virtual platform::Size contentSize() const = 0;
    virtual void setFrame(const platform::Rect& frame, bool animate) = 0;

    // Replaces the content by an empty view.
    virtual void showEmptyContent() = 0;
    // The size the pane's view wants, making the view on first use.
    virtual platform::Size paneViewSize(PLPrefsViewController& pane) = 0;
    // Makes the pane's view the window's content.
    virtual void showPane(PLPrefsViewController& pane) = 0;
    // The pane is going away: its view is dropped (it is not the content any more).
    virtual void forgetPane(PLPrefsViewController& pane) = 0;

    virtual void makeKeyAndOrderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    // Command-W (Control-W on desktops whose window shortcuts use Control) closes the window.
    virtual void setCloseWithKeyboard(bool enabled) = 0;
};
