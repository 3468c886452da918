#include "platform/sim/SimApplication.h"

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"

namespace platform {

namespace {
constexpr FourCharCode kCoreEventClass = FourCharCode::make("aevt");
constexpr FourCharCode kQuitApplication = FourCharCode::make("quit");
constexpr FourCharCode kReopenApplication = FourCharCode::make("rapp");
// What the OS answers for an application that cancels its termination.
constexpr int kUserCanceled = -128;
}  // namespace

SimApplication::SimApplication(SimProcess& process, SimLaunchParameters launch)
    : process_(process), launch_(std::move(launch)) {
    if (const SimAppBundle* installed =
            process.world().apps().installed(process.bundleIdentifier()))
        installed_ = *installed;
    name_ = installed_ ? installed_->localizedName() : process.bundleIdentifier();
    if (installed_) policy_ = installed_->activationPolicy;
    hidden_ = (launch_.options & LaunchOption::kAndHide) != 0;

    AppleEventManager& events = process.appleEventManager();
    events.setEventHandler(kCoreEventClass, kQuitApplication,
                           [this](const AppleEvent&, AppleEvent&) {
                               terminate();
                               return terminated_ ? OSErr::kNoErr : kUserCanceled;
                           });
    events.setEventHandler(
        kCoreEventClass, kReopenApplication, [this](const AppleEvent&, AppleEvent&) {
            ++reopens_;
            if (delegate_) delegate_->applicationShouldHandleReopen(*this, hasVisibleWindows_);
            return OSErr::kNoErr;
        });
}

const Bundle& SimApplication::bundle() const {
    if (!bundle_) {
        SimApps& apps = process_.world().apps();
        SimAppBundle plain{.bundleIdentifier = process_.bundleIdentifier(), .name = name_};
        bundle_ = apps.openBundle(installed_ ? *installed_ : plain, process_.pid());
        // Only when the scratch folder can't be written: an empty bundle rather than none.
        if (!bundle_) bundle_ = Bundle::open(process_.world().scratchDirectory());
        if (!bundle_) bundle_ = Bundle::main();
    }
    return *bundle_;
}

int SimApplication::processIdentifier() const {
    return process_.pid();
}

std::optional<Url> SimApplication::bundleURL() const {
    if (!installed_) return std::nullopt;
    return installed_->url();
}

bool SimApplication::setActivationPolicy(ActivationPolicy policy) {
    policy_ = policy;
    return true;
}

bool SimApplication::isActive() const {
    return !terminated_ && process_.world().apps().frontmost() == &process_;
}

int SimApplication::run() {
    finishLaunching();
    return 0;
}

void SimApplication::finishLaunching() {
    if (finished_ || !delegate_) return;
    finished_ = true;
    delegate_->applicationWillFinishLaunching(*this);
    // The delegate may have gone away or quit meanwhile.
    if (delegate_ && !terminated_) delegate_->applicationDidFinishLaunching(*this);
}

void SimApplication::terminate() {
    if (terminated_ || refusesTermination_) return;
    if (delegate_) delegate_->applicationWillTerminate(*this);
    terminated_ = true;
    process_.world().apps().terminated(process_);
}

void SimApplication::activate(bool /*ignoringOtherApps*/) {
    // One user, one screen: the application comes forward whether or not it asks to ignore
    // the others.
    process_.world().apps().activate(process_);
}

AppleEventManager& SimApplication::appleEventManager() {
    return process_.appleEventManager();
}

Workspace& SimApplication::workspace() {
    return process_.workspace();
}

}  // namespace platform
