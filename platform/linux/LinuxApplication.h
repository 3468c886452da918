#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/AppRegistry.h"
#include "platform/linux/ApplicationWindows.h"
#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/LinuxHost.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/SessionBusWatch.h"
#include "platform/workspace/Application.h"

class QCoreApplication;
class QSocketNotifier;

namespace platform {

// A program of ours on Linux: the Qt application object, the platform services (host()), and
// the program's registration on the session bus through which other processes list it, ask it
// to terminate or activate, and send it Apple events.
//
// Launch options come from the launcher in PURLANE_LAUNCH_OPTIONS (removed from the
// environment so children do not inherit them): hide starts the program hidden, without
// activation leaves it inactive; otherwise it activates once it finished launching.
// SIGTERM and SIGINT terminate it as a quit request does, with exit status 0; so does the loss
// of the session bus, so that nothing of ours outlives its session.
class LinuxApplication : public Application {
  public:
    static constexpr const char* kLaunchOptionsVariable = "PURLANE_LAUNCH_OPTIONS";

    // Create it first thing in main, on the main thread. The program has no windows; one that
    // shows some is a LinuxGuiApplication.
    LinuxApplication(int& argc, char** argv);
    ~LinuxApplication() override;
    LinuxApplication(const LinuxApplication&) = delete;
    LinuxApplication& operator=(const LinuxApplication&) = delete;

    const Bundle& bundle() const override { return Bundle::main(); }
    int processIdentifier() const override;
    const std::vector<std::string>& arguments() const override { return arguments_; }
    uint64_t launchOptions() const override { return options_; }

    ActivationPolicy activationPolicy() const override { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy) override;
    bool isActive() const override { return active_; }
    bool isHidden() const override { return hidden_; }

    void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
    int run() override;
    void terminate() override;
    void activate(bool ignoringOtherApps) override;
    void hide();
    void unhide();

    AppleEventManager& appleEventManager() override { return events_; }
    Workspace& workspace() override { return *workspace_; }
    LinuxHost& host() { return *host_; }
    // Whether other processes can see the program (false before run() and without a bus).
    bool isRegistered() const { return registry_ && registry_->isRegistered(); }

  protected:
    using QtFactory = std::unique_ptr<QCoreApplication> (*)(int& argc, char** argv);
    LinuxApplication(int& argc, char** argv, QtFactory makeQt,
                     std::unique_ptr<ApplicationWindows> windows);
    LinuxWorkspace& linuxWorkspace() { return *workspace_; }

  private:
    RegisteredApplication initialIdentity() const;
    void installHandlers();
    void installSignalHandlers();
    void restoreSignalHandlers();
    bool hasVisibleWindows() const;

    // Destroyed last: everything below may use Qt.
    std::unique_ptr<QCoreApplication> qt_;
    std::unique_ptr<ApplicationWindows> windows_;
    std::vector<std::string> arguments_;
    uint64_t options_ = 0;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
    std::unique_ptr<LinuxHost> host_;
    DBusAppleEventManager events_;
    std::unique_ptr<LinuxWorkspace> workspace_;
    std::unique_ptr<AppRegistry> registry_;
    std::unique_ptr<SessionBusWatch> busWatch_;
    ApplicationDelegate* delegate_ = nullptr;
    ObserverToken activationObserver_ = 0;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    int signalPipe_[2] = {-1, -1};
    bool active_ = false;
    bool hidden_ = false;
    bool terminating_ = false;
    bool looping_ = false;
};

}  // namespace platform
