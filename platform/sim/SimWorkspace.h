#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/FourCharCode.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/workspace/Workspace.h"

namespace platform {

class SimProcess;

// One simulated process's view of the world's applications. Requests to other applications
// are recorded in the world's SimApps and carried out at once: launches, activation and
// reopen; terminations are asked of the target on its main queue, as a quit arrives there.
// Web and mail URLs, files and file-viewer requests go to the world's desktop record.
class SimWorkspace : public Workspace {
  public:
    explicit SimWorkspace(SimProcess& process);
    SimWorkspace(const SimWorkspace&) = delete;
    SimWorkspace& operator=(const SimWorkspace&) = delete;

    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<Url> URLForApplicationWithBundleIdentifier(const std::string& id) override;
    Result<RunningApplication> launchApplicationAtURL(
        const Url& url, uint64_t options, const PropertyList::Dictionary& configuration) override;
    bool openURL(const Url& url) override;
    bool openFile(const std::string& path,
                  const std::optional<std::string>& application = std::nullopt) override;
    void activateFileViewerSelectingURLs(const std::vector<Url>& urls) override;
    // Moves the items into the world's trash folder now; the completion runs on this process's
    // main queue.
    void recycleURLs(const std::vector<Url>& urls, RecycleCompletion completion) override;
    bool terminateApplication(int pid) override;
    bool activateApplication(int pid, uint64_t options) override;
    NotificationCenter& notificationCenter() override { return center_; }
    bool tellsFrontmostProcess() override { return frontmostProcessKnown; }
    // Off: a desktop that does not say which process is in front.
    bool frontmostProcessKnown = true;

    // How this workspace describes a process of the world.
    RunningApplication describe(SimProcess& process);

  private:
    // Sends an event of the core suite or a URL event to the first instance of `bundleID`.
    void sendToApplication(const std::string& bundleID, FourCharCode eventClass,
                           FourCharCode eventID, const std::optional<std::string>& directObject);

    SimProcess& process_;
    NotificationCenter center_;
};

}  // namespace platform
