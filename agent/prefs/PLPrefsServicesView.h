#pragma once

// What the Services pane asks of whatever draws it. Each call means "read that part of the
// pane's model again"; the view decides nothing itself.
class PLPrefsServicesView {
  public:
    virtual ~PLPrefsServicesView() = default;

    // The group popup: its titles, the selected one and whether it is enabled.
    virtual void reloadGroupPopup() = 0;
    // The two checkboxes.
    virtual void reloadInstallStatus() = 0;
    // The table of custom entries and the count field below it.
    virtual void reloadTable() = 0;
};
