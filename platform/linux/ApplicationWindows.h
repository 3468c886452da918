#pragma once

namespace platform {

// The windows of a program that shows some: what the application shell asks of them when the
// program is activated, hidden or reopened. Programs without windows have none, and so never
// load a widget toolkit.
class ApplicationWindows {
  public:
    virtual ~ApplicationWindows() = default;
    // Brings every visible window forward and gives it the focus.
    virtual void raiseAll() = 0;
    // Hides the visible windows, remembering them for unhideAll().
    virtual void hideAll() = 0;
    virtual void unhideAll() = 0;
    virtual bool hasVisibleWindows() const = 0;
};

}  // namespace platform
