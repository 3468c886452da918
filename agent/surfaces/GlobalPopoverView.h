#pragma once

#include <QWidget>
#include <memory>

#include "agent/surfaces/PopoverLayout.h"
#include "platform/ui/Menu.h"

class GlobalPopoverContent;
class CleanerListWidget;
class GroupListWidget;
class QComboBox;
class QLabel;
class QMenu;
class QToolButton;

// Draws a popover's content controller: the apply-options popup on top, the cleaner list (with
// the group sidebar in the split layout), and a bottom bar with the version, the version-8 link
// indicator, the update notice and the action pull-down. It decides nothing: the controller's
// fields are shown and the user's actions go back to it.
class GlobalPopoverView : public QWidget {
  public:
    // Natural sizes of the two layouts: what the popover opens at before the user resizes it.
    static constexpr int kListWidth = 340;
    static constexpr int kSplitWidth = 520;
    static constexpr int kHeight = 480;

    // Loads `content` (its list, and the sidebar in the split layout). `content` must outlive
    // the view.
    GlobalPopoverView(PopoverLayout layout, GlobalPopoverContent& content,
                      QWidget* parent = nullptr);
    ~GlobalPopoverView() override;

    CleanerListWidget* list() const { return list_; }
    GroupListWidget* sidebar() const { return sidebar_; }
    QComboBox* optionsPopup() const { return optionsPopup_; }
    QToolButton* actionPopup() const { return actionPopup_; }
    QLabel* versionLabel() const { return version_; }
    QWidget* updatesNotice() const { return updatesNotice_; }

    // Shows the controller's fields as they are now.
    void refresh();

  private:
    void renderActionMenu();

    GlobalPopoverContent& content_;
    CleanerListWidget* list_ = nullptr;
    GroupListWidget* sidebar_ = nullptr;
    QComboBox* optionsPopup_ = nullptr;
    QToolButton* actionPopup_ = nullptr;
    QMenu* actionMenu_ = nullptr;
    // The action menu without its title item, as last rendered: the actions point into it.
    std::shared_ptr<platform::Menu> renderedActions_;
    QLabel* version_ = nullptr;
    QLabel* pl8link_ = nullptr;
    QWidget* updatesNotice_ = nullptr;
    bool refreshing_ = false;
};
