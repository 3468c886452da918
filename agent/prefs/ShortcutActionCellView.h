#pragma once

#include <QWidget>

#include "agent/shortcuts/ShortcutView.h"

class QPushButton;

// One row of the Global HotKeys table ("MainCell"): the label button naming the action, which
// opens the action editor, and the recorder of the row's key combination.
class ShortcutActionCellView : public QWidget {
  public:
    // What every row's recorder is made with.
    struct Recorders {
        ShortcutRecorderRegistry* registry = nullptr;
        ShortcutChecks* checks = nullptr;
        platform::KeyboardLayout* layout = nullptr;
        platform::Sounds* sounds = nullptr;
    };
    static constexpr const char* kIdentifier = "MainCell";

    ShortcutActionCellView(const Recorders& recorders, QWidget* parent = nullptr);

    QPushButton* labelButton = nullptr;
    ShortcutView* actionShortcutView = nullptr;
};
