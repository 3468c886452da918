#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"
#include "platform/core/Url.h"
#include "platform/notifications/NotificationCenter.h"

namespace platform {

enum class ActivationPolicy : int { Regular = 0, Accessory = 1, Prohibited = 2 };

// Launch options, with the OS's values.
namespace LaunchOption {
constexpr uint64_t kWithoutActivation = 0x200;
constexpr uint64_t kNewInstance = 0x80000;
constexpr uint64_t kAndHide = 0x100000;
}  // namespace LaunchOption

// Configuration key of a launch: an array of strings for the new process's argument list.
constexpr const char* kLaunchConfigurationArguments = "NSWorkspaceLaunchConfigurationArguments";

// Workspace notifications (on the workspace's own centre).
constexpr const char* kWorkspaceDidActivateApplication =
    "NSWorkspaceDidActivateApplicationNotification";
constexpr const char* kWorkspaceDidLaunchApplication =
    "NSWorkspaceDidLaunchApplicationNotification";
constexpr const char* kWorkspaceDidTerminateApplication =
    "NSWorkspaceDidTerminateApplicationNotification";
// User-info key of those notifications: a RunningApplication.
constexpr const char* kWorkspaceApplicationKey = "NSWorkspaceApplicationKey";

class Workspace;

// What the workspace knows of one running application, and requests to it.
class RunningApplication {
  public:
    RunningApplication() = default;
    RunningApplication(Workspace* workspace, int pid, std::optional<std::string> bundleIdentifier,
                       std::optional<Url> bundleURL, std::string localizedName,
                       ActivationPolicy policy)
        : workspace_(workspace),
          pid_(pid),
          bundleIdentifier_(std::move(bundleIdentifier)),
          bundleURL_(std::move(bundleURL)),
          localizedName_(std::move(localizedName)),
          policy_(policy) {}

    int processIdentifier() const { return pid_; }
    const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }
    const std::optional<Url>& bundleURL() const { return bundleURL_; }
    const std::string& localizedName() const { return localizedName_; }
    ActivationPolicy activationPolicy() const { return policy_; }

    // Whether the request was delivered (not whether the application complied).
    bool terminate() const;
    bool activate(uint64_t options = 0) const;

    friend bool operator==(const RunningApplication& a, const RunningApplication& b) {
        return a.pid_ == b.pid_;
    }

  private:
    Workspace* workspace_ = nullptr;
    int pid_ = 0;
    std::optional<std::string> bundleIdentifier_;
    std::optional<Url> bundleURL_;
    std::string localizedName_;
    ActivationPolicy policy_ = ActivationPolicy::Regular;
};

// The OS's workspace: running applications, launching, opening URLs and files, the trash.
class Workspace {
  public:
    virtual ~Workspace() = default;

    // In launch order.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(const std::string& id);
    std::optional<RunningApplication> runningApplicationWithProcessIdentifier(int pid);
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // Whether the desktop tells which process is in front. Where it does not, keys sent to "the
    // front application" reach whatever has the focus.
    virtual bool tellsFrontmostProcess() { return true; }

    virtual std::optional<Url> URLForApplicationWithBundleIdentifier(const std::string& id) = 0;
    // Returns once the new process has registered, so a request sent right after reaches it.
    // Launching an application that runs (without kNewInstance) reopens it instead.
    virtual Result<RunningApplication> launchApplicationAtURL(
        const Url& url, uint64_t options, const PropertyList::Dictionary& configuration) = 0;

    virtual bool openURL(const Url& url) = 0;
    virtual bool openFile(const std::string& path,
                          const std::optional<std::string>& application = std::nullopt) = 0;
    virtual void activateFileViewerSelectingURLs(const std::vector<Url>& urls) = 0;
    // Moves items to the trash; the completion gets the new locations and the first error.
    using RecycleCompletion =
        std::function<void(const std::vector<std::pair<Url, Url>>& moved, std::optional<Error>)>;
    virtual void recycleURLs(const std::vector<Url>& urls, RecycleCompletion completion) = 0;

    virtual bool terminateApplication(int pid) = 0;
    virtual bool activateApplication(int pid, uint64_t options) = 0;

    // Launches, terminations and activations are posted here.
    virtual NotificationCenter& notificationCenter() = 0;
};

}  // namespace platform
