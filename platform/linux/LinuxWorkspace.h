#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <mutex>

#include "platform/core/MainQueue.h"
#include "platform/events/AppleEventManager.h"
#include "platform/linux/ForeignApplications.h"
#include "platform/workspace/Bundle.h"
#include "platform/workspace/Workspace.h"

namespace platform {

struct RegisteredApplication;

// The workspace on Linux. Running applications are the programs of ours registered on the
// session bus (in launch order), then, on a desktop, the other applications with windows. The
// frontmost is the application of the desktop's active window, else the program of ours
// activated last; a process registered on the bus is always named by its registration. Launches
// start the bundle's program detached and wait until it registered. URL schemes claimed by an
// installed bundle go to it as "GURL" events; anything else goes to xdg-open. The trash is the XDG
// trash.
//
// Launches, terminations and activations of registered programs are posted on the workspace's
// own centre, on the main thread (make the workspace there, after the Qt application object).
class LinuxWorkspace : public QObject, public Workspace {
    Q_OBJECT

  public:
    // `events` sends the reopen, URL and document events of launches; both must outlive the
    // workspace.
    LinuxWorkspace(MainQueue& mainQueue, AppleEventManager& events);
    ~LinuxWorkspace() override;

    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> frontmostApplication() override;
    bool tellsFrontmostProcess() override { return foreign_ && foreign_->reportsProcesses(); }

    std::optional<Url> URLForApplicationWithBundleIdentifier(const std::string& id) override;
    Result<RunningApplication> launchApplicationAtURL(
        const Url& url, uint64_t options, const PropertyList::Dictionary& configuration) override;

    bool openURL(const Url& url) override;
    bool openFile(const std::string& path,
                  const std::optional<std::string>& application = std::nullopt) override;
    void activateFileViewerSelectingURLs(const std::vector<Url>& urls) override;
    void recycleURLs(const std::vector<Url>& urls, RecycleCompletion completion) override;

    bool terminateApplication(int pid) override;
    bool activateApplication(int pid, uint64_t options) override;

    NotificationCenter& notificationCenter() override { return center_; }

    // The desktop's view of applications with windows (none without a display). Its changes of
    // front application are posted as activations, on the main thread.
    void setForeignApplications(std::unique_ptr<ForeignApplications> foreign);

  private slots:
    void nameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void applicationActivated(int pid);

  private:
    RunningApplication make(const RegisteredApplication& app);
    RunningApplication make(int pid, const Bundle& bundle);
    RunningApplication make(const WindowedApplication& app);
    void foreignActivated(const WindowedApplication& app);
    // The first running instance of the bundle, or a new one launched with `options`.
    Result<RunningApplication> runningOrLaunched(const Bundle& bundle, uint64_t options,
                                                 const std::vector<std::string>& arguments,
                                                 bool& launched);
    // Asks the program who it is without waiting, then posts `name` about it.
    void postAbout(int pid, const char* name);
    void post(const char* name, const RunningApplication& app);
    static bool xdgOpen(const std::string& target);

    MainQueue& mainQueue_;
    AppleEventManager& events_;
    NotificationCenter center_;
    // What was last heard of each program, so its termination can still say who it was.
    // Listings may run off the main thread (quitting other agents), hence the lock.
    void remember(int pid, const RunningApplication& app);
    std::optional<RunningApplication> forget(int pid);
    std::optional<RunningApplication> recall(int pid) const;
    mutable std::mutex knownMutex_;
    std::map<int, RunningApplication> known_;
    bool listening_ = false;
    // The last process whose activation was posted, so one activation seen both on the bus and
    // on the desktop is posted once.
    int lastActivated_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Last, so its thread stops before anything it reports to goes.
    std::unique_ptr<ForeignApplications> foreign_;
};

}  // namespace platform
