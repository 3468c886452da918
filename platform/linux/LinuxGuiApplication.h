#pragma once

#include "platform/linux/LinuxApplication.h"

namespace platform {

// A program of ours that shows windows: a widgets application (drawn off screen when there is
// no display) whose windows come forward on activation and go on hide, and whose workspace sees
// the other applications of the desktop too. Only such programs link the widget toolkit; the
// others start without loading it.
class LinuxGuiApplication : public LinuxApplication {
  public:
    // Create it first thing in main, on the main thread.
    LinuxGuiApplication(int& argc, char** argv);
    // Who tells the workspace about the desktop's other applications, where the display's
    // own watch does not reach them (a Wayland compositor's); nothing: nobody can.
    void setForeignApplications(std::unique_ptr<ForeignApplications> foreign) {
        linuxWorkspace().setForeignApplications(std::move(foreign));
    }
};

}  // namespace platform
