#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>

#include "agent/prefs/PLPreferencesController.h"
#include "agent/prefs/PLPreferencesWindow.h"
#include "agent/surfaces/PLCustomCloseWindow.h"
#include "platform/workspace/Bundle.h"

class QActionGroup;
class QStackedWidget;
class QToolBar;

// The preferences window: a toolbar of panes over the shown pane's view. It draws what its
// controller asks and reports toolbar clicks and close requests back to it.
class PreferencesWindow : public QMainWindow, public PLPreferencesWindow {
  public:
    // `bundle` supplies the toolbar images "prefs_<key>_icon.png"; may be null.
    PreferencesWindow(PLPreferencesController& controller, const platform::Bundle* bundle);
    ~PreferencesWindow() override;

    // A window maker for the controller.
    static PLPreferencesController::WindowMaker maker(const platform::Bundle* bundle);

    void setToolbar(const std::string& toolbarIdentifier,
                    const std::vector<PLPrefsToolbarItem>& items) override;
    void setSelectedToolbarItem(const std::string& identifier) override;
    std::string title() const override;
    void setTitle(const std::string& title) override;
    platform::Rect frame() const override;
    platform::Size contentSize() const override;
    void setFrame(const platform::Rect& frame, bool animate) override;
    void showEmptyContent() override;
    platform::Size paneViewSize(PLPrefsViewController& pane) override;
    void showPane(PLPrefsViewController& pane) override;
    void forgetPane(PLPrefsViewController& pane) override;
    void makeKeyAndOrderFront() override;
    void orderOut() override;
    bool isVisible() const override { return QMainWindow::isVisible(); }
    void setCloseWithKeyboard(bool enabled) override { closeKey_.closeWithKeyboard = enabled; }

    QToolBar* toolBar() const { return toolbar_; }
    // The view shown for a pane, or nullptr before it was made.
    QWidget* viewFor(PLPrefsViewController& pane) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QIcon iconFor(const PLPrefsToolbarItem& item) const;
    QWidget* view(PLPrefsViewController& pane);
    void showOnly(QWidget* current);
    int toolbarHeight() const;

    PLPreferencesController& controller_;
    const platform::Bundle* bundle_;
    QToolBar* toolbar_;
    QActionGroup* actions_ = nullptr;
    QStackedWidget* stack_;
    QWidget* empty_;
    std::map<PLPrefsViewController*, QWidget*> views_;
    bool placed_ = false;
    // Control-W: the window shortcut of Linux desktops.
    PLCustomCloseWindow closeKey_;
};
