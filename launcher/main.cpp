// purlaneAgentLauncher: the agent's login item. Starts the agent at login and quits.

#include "launcher/AppDelegate.h"
#include "platform/linux/LinuxApplication.h"

int main(int argc, char** argv) {
    platform::LinuxApplication app(argc, argv);
    launcher::AppDelegate delegate;
    app.setDelegate(&delegate);
    return app.run();
}
