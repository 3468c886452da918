#pragma once

#include <string>
#include <vector>

#include "platform/events/AppleEventManager.h"
#include "platform/workspace/Bundle.h"
#include "platform/workspace/Workspace.h"

namespace platform {

class Application;

// Life-cycle hooks of the program, as the OS's application delegate.
class ApplicationDelegate {
  public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationWillFinishLaunching(Application&) {}
    virtual void applicationDidFinishLaunching(Application&) {}
    // Launching the running application again; return whether the application did something.
    virtual bool applicationShouldHandleReopen(Application&, bool /*hasVisibleWindows*/) {
        return true;
    }
    virtual void applicationWillTerminate(Application&) {}
};

// The running program: identity, activation policy, life cycle and the events it receives.
// Terminate and activate requests, reopen ("aevt"/"rapp") and quit ("aevt"/"quit") arrive as
// Apple events and are handled here.
class Application {
  public:
    virtual ~Application() = default;

    virtual const Bundle& bundle() const = 0;
    virtual int processIdentifier() const = 0;
    // The arguments the program was launched with (without the program itself).
    virtual const std::vector<std::string>& arguments() const = 0;
    // Launch options the launcher asked for (hide, without activation).
    virtual uint64_t launchOptions() const = 0;

    virtual ActivationPolicy activationPolicy() const = 0;
    virtual bool setActivationPolicy(ActivationPolicy policy) = 0;
    virtual bool isActive() const = 0;
    virtual bool isHidden() const = 0;

    virtual void setDelegate(ApplicationDelegate* delegate) = 0;
    // Runs the event loop: will-finish, did-finish, then events until terminated. Returns the
    // exit status.
    virtual int run() = 0;
    // Asks the delegate's will-terminate, then leaves the event loop.
    virtual void terminate() = 0;
    virtual void activate(bool ignoringOtherApps) = 0;

    virtual AppleEventManager& appleEventManager() = 0;
    virtual Workspace& workspace() = 0;
};

}  // namespace platform
