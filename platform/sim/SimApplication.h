#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sim/SimApps.h"
#include "platform/workspace/Application.h"

namespace platform {

class SimProcess;

// The application object of a simulated process. It answers quit ("aevt"/"quit") by
// terminating and reopen ("aevt"/"rapp") by asking the delegate; a launch function may replace
// either handler. run() does not loop: the world drives the queues.
class SimApplication : public Application {
  public:
    SimApplication(SimProcess& process, SimLaunchParameters launch);
    SimApplication(const SimApplication&) = delete;
    SimApplication& operator=(const SimApplication&) = delete;

    const Bundle& bundle() const override;
    int processIdentifier() const override;
    const std::vector<std::string>& arguments() const override { return launch_.arguments; }
    uint64_t launchOptions() const override { return launch_.options; }

    ActivationPolicy activationPolicy() const override { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy) override;
    bool isActive() const override;
    bool isHidden() const override { return hidden_; }

    void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
    // Finishes launching (see finishLaunching) and returns 0 at once.
    int run() override;
    void terminate() override;
    void activate(bool ignoringOtherApps) override;

    AppleEventManager& appleEventManager() override;
    Workspace& workspace() override;

    // What tests see and set.
    SimProcess& process() { return process_; }
    ApplicationDelegate* delegate() const { return delegate_; }
    // The installed bundle the process was started from, if any.
    const std::optional<SimAppBundle>& installedBundle() const { return installed_; }
    const std::string& localizedName() const { return name_; }
    std::optional<Url> bundleURL() const;
    void setHidden(bool hidden) { hidden_ = hidden; }
    // What the delegate is told on reopen.
    void setHasVisibleWindows(bool visible) { hasVisibleWindows_ = visible; }
    bool hasVisibleWindows() const { return hasVisibleWindows_; }
    // An application that refuses to quit ignores terminate() and quit events.
    void setRefusesTermination(bool refuses) { refusesTermination_ = refuses; }
    bool refusesTermination() const { return refusesTermination_; }
    bool isTerminated() const { return terminated_; }
    int reopenCount() const { return reopens_; }

    // The delegate's will-finish and did-finish, once. Without a delegate nothing happens yet,
    // so one set later still gets them from run().
    void finishLaunching();
    bool isFinishedLaunching() const { return finished_; }

  private:
    SimProcess& process_;
    SimLaunchParameters launch_;
    std::optional<SimAppBundle> installed_;
    std::string name_;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
    ApplicationDelegate* delegate_ = nullptr;
    mutable std::optional<Bundle> bundle_;
    bool hidden_ = false;
    bool hasVisibleWindows_ = false;
    bool refusesTermination_ = false;
    bool terminated_ = false;
    bool finished_ = false;
    int reopens_ = 0;
};

}  // namespace platform
