// TestApp: a small application the shell's integration tests launch, reach and watch.
//
// It writes what it sees, one line each, to the file named by PURLANE_TESTAPP_RECORD
// (standard error when unset), every line starting with its pid:
//   <pid> arg <text>              one per argument
//   <pid> options <n>             the launch options
//   <pid> policy <n>              the activation policy (0 regular, 1 accessory, 2 prohibited)
//   <pid> hidden <0|1>, <pid> active <0|1>, then <pid> ready, once the event loop runs
//   <pid> reopen <hasVisibleWindows>
//   <pid> url <text>              a "GURL" event
//   <pid> odoc <path>             each file of an "aevt"/"odoc" event
//   <pid> will-terminate
//
// --policy regular|accessory|prohibited sets the activation policy while launching.
// The event "PLts"/"echo" replies with its direct object and "pid" (long); a "slep" (doub)
// parameter makes the handler sleep that many seconds first.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/linux/LinuxGuiApplication.h"

using namespace platform;

namespace {

constexpr FourCharCode kTestSuite = FourCharCode::make("PLts");
constexpr FourCharCode kEcho = FourCharCode::make("echo");
constexpr FourCharCode kSleep = FourCharCode::make("slep");
constexpr FourCharCode kPid = FourCharCode::make("pid ");

void record(const std::string& what) {
    const std::string line = std::to_string(getpid()) + " " + what + "\n";
    const char* path = std::getenv("PURLANE_TESTAPP_RECORD");
    const int fd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600) : 2;
    if (fd < 0) return;
    // One write per line, so lines of several instances never interleave.
    ssize_t ignored = write(fd, line.data(), line.size());
    (void)ignored;
    if (fd != 2) close(fd);
}

class Recorder : public ApplicationDelegate {
  public:
    Recorder(LinuxApplication& app, std::optional<ActivationPolicy> policy)
        : app_(app), policy_(policy) {}

    void applicationWillFinishLaunching(Application&) override {
        if (policy_) app_.setActivationPolicy(*policy_);
    }
    void applicationDidFinishLaunching(Application&) override {
        for (const auto& a : app_.arguments()) record("arg " + a);
        record("options " + std::to_string(app_.launchOptions()));
        record("policy " + std::to_string(static_cast<int>(app_.activationPolicy())));
        // After the launch's own activation, which follows this call.
        app_.host().mainQueue().async([this] {
            record(std::string("hidden ") + (app_.isHidden() ? "1" : "0"));
            record(std::string("active ") + (app_.isActive() ? "1" : "0"));
            record("ready");
        });
    }
    bool applicationShouldHandleReopen(Application&, bool hasVisibleWindows) override {
        record(std::string("reopen ") + (hasVisibleWindows ? "1" : "0"));
        return true;
    }
    void applicationWillTerminate(Application&) override { record("will-terminate"); }

  private:
    LinuxApplication& app_;
    std::optional<ActivationPolicy> policy_;
};

std::optional<ActivationPolicy> policyArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) != "--policy") continue;
        const std::string name = argv[i + 1];
        if (name == "regular") return ActivationPolicy::Regular;
        if (name == "accessory") return ActivationPolicy::Accessory;
        if (name == "prohibited") return ActivationPolicy::Prohibited;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    LinuxGuiApplication app(argc, argv);
    Recorder recorder(app, policyArgument(argc, argv));
    app.setDelegate(&recorder);

    AppleEventManager& events = app.appleEventManager();
    events.setEventHandler(FourCharCode::make("GURL"), FourCharCode::make("GURL"),
                           [](const AppleEvent& event, AppleEvent&) {
                               const auto* url =
                                   event.paramDescriptorForKeyword(AEKeyword::kDirectObject);
                               record("url " + (url ? url->stringValue().value_or("?") : "-"));
                               return OSErr::kNoErr;
                           });
    events.setEventHandler(FourCharCode::make("aevt"), FourCharCode::make("odoc"),
                           [](const AppleEvent& event, AppleEvent&) {
                               const auto* files =
                                   event.paramDescriptorForKeyword(AEKeyword::kDirectObject);
                               if (!files) return OSErr::kParamErr;
                               for (const auto& file : files->items()) {
                                   const auto url = file.fileURLValue();
                                   record("odoc " + (url ? url->path() : std::string("?")));
                               }
                               return OSErr::kNoErr;
                           });
    events.setEventHandler(kTestSuite, kEcho, [](const AppleEvent& event, AppleEvent& reply) {
        if (const auto* pause = event.paramDescriptorForKeyword(kSleep)) {
            std::this_thread::sleep_for(
                std::chrono::duration<double>(pause->doubleValue().value_or(0)));
        }
        if (const auto* direct = event.paramDescriptorForKeyword(AEKeyword::kDirectObject))
            reply.setParamDescriptor(AEKeyword::kDirectObject, *direct);
        reply.setParamDescriptor(kPid, AppleEventDescriptor::int32(getpid()));
        return OSErr::kNoErr;
    });
    return app.run();
}
