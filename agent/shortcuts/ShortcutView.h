#pragma once

#include "agent/shortcuts/MASShortcutView.h"
#include "agent/shortcuts/Shortcut.h"

// The recorder in a row of the shortcuts list: it carries the record it edits.
class ShortcutView : public MASShortcutView {
  public:
    using MASShortcutView::MASShortcutView;

    Shortcut item;
};
