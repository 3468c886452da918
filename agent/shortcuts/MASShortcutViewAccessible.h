#pragma once

#include <QAccessibleWidget>

class MASShortcutView;

// The recorder as assistive technologies see it: a button whose press starts recording; its
// name and description are the recorder's label and help.
class MASShortcutViewAccessible : public QAccessibleWidget {
  public:
    explicit MASShortcutViewAccessible(MASShortcutView* view);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // Makes every recorder answer with this interface (once per process).
    static void install();

  private:
    MASShortcutView* view_;
};
