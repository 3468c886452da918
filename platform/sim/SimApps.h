#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/core/Url.h"
#include "platform/workspace/Bundle.h"
#include "platform/workspace/Workspace.h"

namespace platform {

class SimApplication;
class SimProcess;
class SimWorld;

// Sets up a fake application when it is launched: its Apple-event handlers, its delegate...
using SimLaunchFunction = std::function<void(SimProcess&, SimApplication&)>;

// An application installed in a sim world. Nothing needs to exist on disk: `path` only names
// the bundle, as the workspace reports it.
struct SimAppBundle {
    std::string bundleIdentifier;
    std::string path;  // e.g. "/Applications/X.app"
    std::string name;  // empty: the folder's name without ".app"
    // Schemes claimed in CFBundleURLTypes.
    std::vector<std::string> urlSchemes;
    // What the bundle asks for at launch (LSUIElement: Accessory); the app may change it.
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    SimLaunchFunction launch;
    // A real bundle folder for Application::bundle(), e.g. a fixture; otherwise one is made
    // from the fields above.
    std::optional<std::filesystem::path> bundlePath;

    Url url() const;
    std::string localizedName() const;
    // The info dictionary the fields above stand for.
    PropertyList::Dictionary infoDictionary() const;
};

// What a process launched in a sim world was asked for.
struct SimLaunchParameters {
    std::vector<std::string> arguments;
    uint64_t options = 0;
};

// A request one process made of another through its workspace, for tests to read back.
struct SimAppRequest {
    enum class Kind { Launch, Reopen, Terminate, Activate };
    Kind kind = Kind::Launch;
    int pid = 0;  // the application asked
    uint64_t options = 0;
    int requesterPid = 0;
};

// The applications of a sim world: what is installed, what runs (in launch order), which one
// is in front, and the requests the workspaces made.
class SimApps {
  public:
    explicit SimApps(SimWorld& world);
    SimApps(const SimApps&) = delete;
    SimApps& operator=(const SimApps&) = delete;

    // Replaces any installed bundle with the same identifier or path.
    void install(SimAppBundle bundle);
    // Installs a bundle found on disk, as its Info.plist describes it; false without an
    // identifier.
    bool install(const Bundle& bundle, SimLaunchFunction launch = {});
    void uninstall(const std::string& bundleIdentifier);
    const SimAppBundle* installed(const std::string& bundleIdentifier) const;
    const SimAppBundle* installedAtURL(const Url& url) const;
    // The bundle claiming a URL scheme (any case).
    const SimAppBundle* claiming(const std::string& scheme) const;
    // Writes the installed bundle's Info.plist under its path, for code that opens the bundle
    // from disk (tests install such fakes in a temporary folder).
    Status writeBundle(const std::string& bundleIdentifier) const;
    // The bundle a process of `installed` sees as its own; made in the world's scratch folder
    // when it has no real one.
    std::optional<Bundle> openBundle(const SimAppBundle& installed, int pid) const;

    // Running processes, in launch order.
    const std::vector<SimProcess*>& running() const { return running_; }
    SimProcess* runningProcess(int pid) const;
    SimProcess* firstRunning(const std::string& bundleIdentifier) const;
    // The most recently activated process that still runs.
    SimProcess* frontmost() const;
    // Brings the process to the front (posting the workspaces' activation notification when
    // the front changes). False for processes that are gone or may not be active.
    bool activate(SimProcess& process);

    const std::vector<SimAppRequest>& requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }
    void record(SimAppRequest request) { requests_.push_back(request); }

    // What the world and the applications tell the registry.
    void started(SimProcess& process, uint64_t options);
    void terminated(SimProcess& process);
    void forget();  // the world is going away

  private:
    void postToWorkspaces(const char* name, SimProcess& subject);

    SimWorld& world_;
    std::vector<SimAppBundle> installed_;
    std::vector<SimProcess*> running_;
    std::vector<SimProcess*> activationOrder_;
    std::vector<SimAppRequest> requests_;
};

}  // namespace platform
