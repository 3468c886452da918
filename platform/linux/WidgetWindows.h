#pragma once

#include <QPointer>
#include <vector>

#include "platform/linux/ApplicationWindows.h"

class QWidget;

namespace platform {

// The top-level widgets of a widgets application.
class WidgetWindows : public ApplicationWindows {
  public:
    void raiseAll() override;
    void hideAll() override;
    void unhideAll() override;
    bool hasVisibleWindows() const override;

  private:
    std::vector<QPointer<QWidget>> hidden_;
};

}  // namespace platform
