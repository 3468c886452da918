#pragma once

class QWidget;

namespace platform {

// Raises a shown top-level window and gives it the keyboard focus as the user's own request.
// Window managers that prevent focus stealing refuse an application's request to activate its
// window when the user last worked elsewhere; a window the user asked for (the popover under
// the icon, the pick window a script opened for them) is asked for the way a pager asks.
void bringWindowToFront(QWidget& window);

}  // namespace platform
