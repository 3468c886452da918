#pragma once

#include <QWidget>

#include "agent/prefs/PLPrefsServicesController.h"
#include "agent/prefs/PLPrefsServicesView.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// Draws the Services pane: the checkbox of the standard entry, the checkbox of the custom
// entries with the group popup, the table of the entries the group gives with the count field
// under it, and the buttons that show the Services folder and the keyboard-shortcut settings.
// Everything it shows comes from the pane, and every user action goes back to it.
class PLPrefsServicesWidget : public QWidget, public PLPrefsServicesView {
  public:
    // Becomes the pane's view and loads it; the pane must outlive the widget.
    explicit PLPrefsServicesWidget(PLPrefsServicesController& pane, QWidget* parent = nullptr);
    ~PLPrefsServicesWidget() override;

    // Gives the pane a view maker making this widget, for the preferences window.
    static void install(PLPrefsServicesController& pane);
    // The keyboard-shortcut settings of the desktop's known programs, started detached.
    static KeyboardShortcutSettings desktopKeyboardSettings();

    QCheckBox* standardCheckbox() const { return standard_; }
    QCheckBox* customCheckbox() const { return custom_; }
    QComboBox* servicesMenu() const { return groups_; }
    QListWidget* serviceItems() const { return table_; }
    QLabel* serviceItemsCount() const { return count_; }
    QPushButton* servicesFolderButton() const { return folder_; }
    QPushButton* keyboardButton() const { return keyboard_; }

    // PLPrefsServicesView
    void reloadGroupPopup() override;
    void reloadInstallStatus() override;
    void reloadTable() override;

    QSize sizeHint() const override { return {520, 380}; }

  private:
    PLPrefsServicesController& pane_;
    QCheckBox* standard_ = nullptr;
    QCheckBox* custom_ = nullptr;
    QComboBox* groups_ = nullptr;
    QListWidget* table_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* folder_ = nullptr;
    QPushButton* keyboard_ = nullptr;
};
