#pragma once

#include <functional>
#include <optional>
#include <string>

// Kept as a forward declaration so that the panes' decisions stay free of Qt; only the view
// layer (agent_prefs_ui and the panes' own widget files) includes Qt headers.
class QWidget;

// One pane of the preferences window. The window controller asks a pane only through this
// interface: what to call its toolbar item, which image to show there, which identifier to store
// when it was shown last, whether it may be left, and for its view.
//
// The view: makeView(parent) is called once, the first time the pane is shown; the window owns
// the widget it returns (parented to `parent`) and reuses it afterwards. Its sizeHint() is the
// size the window's content takes for the pane. A pane either overrides makeView in a class of
// the view layer, or keeps its own class Qt-free and is given a view maker when composed.
class PLPrefsViewController {
  public:
    using ViewMaker = std::function<QWidget*(QWidget* parent)>;

    PLPrefsViewController() = default;
    PLPrefsViewController(const PLPrefsViewController&) = delete;
    PLPrefsViewController& operator=(const PLPrefsViewController&) = delete;
    virtual ~PLPrefsViewController();

    // The pane's name; also its stored identifier and its toolbar item's identifier.
    virtual std::string keyName() const { return "override_me"; }
    // The localised toolbar label.
    virtual std::string itemLabel() const { return keyName(); }
    // The bundle image: "prefs_" + keyName + "_icon".
    virtual std::string imageName() const { return "prefs_" + keyName() + "_icon"; }
    // A system-symbol name; where the desktop's icon theme has an icon for it, that icon is
    // used instead of the bundle image.
    virtual std::optional<std::string> imageName11() const { return std::nullopt; }
    // Stored under "prefs.selected.identifier" when the pane is shown.
    virtual std::string prefIdentifier() const { return keyName(); }
    virtual bool hasResizeableWidth() const { return false; }
    virtual bool hasResizeableHeight() const { return false; }
    virtual bool useWindowSuffix() const { return false; }

    // The toolbar item identifier: keyName unless set otherwise.
    std::string itemIdentifier() const { return itemIdentifier_ ? *itemIdentifier_ : keyName(); }
    void setItemIdentifier(std::string identifier) { itemIdentifier_ = std::move(identifier); }

    // Called just before the pane's view is put into the window, and just before it is taken
    // out (also when the window closes with the pane shown).
    virtual void viewWillAppear() {}
    virtual void viewWillDisappear() {}
    // Asked before the pane is left and before the window closes; false keeps the pane.
    virtual bool commitEditing() { return true; }
    virtual void changeFont() {}
    virtual void windowDidResignKey() {}
    virtual void updateArrays() {}

    // Makes the pane's view as a child of `parent`. The base uses the view maker it was given,
    // and gives nullptr without one (the window then shows an empty view).
    virtual QWidget* makeView(QWidget* parent) { return viewMaker_ ? viewMaker_(parent) : nullptr; }
    void setViewMaker(ViewMaker maker) { viewMaker_ = std::move(maker); }

  private:
    std::optional<std::string> itemIdentifier_;
    ViewMaker viewMaker_;
};
