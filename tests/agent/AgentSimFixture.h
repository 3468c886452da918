#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agent/app/AgentGURLHandler.h"
#include "agent/app/AppDelegate.h"
#include "agent/engine/PLClient.h"
#include "agent/engine/PurlaneServerConnection.h"
#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimGroupContainers.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

namespace agenttest {

inline const std::string kAgentID = "com.halvik.purlane.agent";
inline const std::string kEngineID = "com.halvik.purlane9";
inline const std::string kEngine8ID = "com.halvik.purlane8";
inline const std::string kEnginePath = "/Applications/Purlane.app";
// The cleaner the fake engines know: it upper-cases; any other cleaner leaves the text alone.
inline const std::string kUpper = "#UPPER";

// One clean request as a fake engine received it.
struct EngineRequest {
    std::string command;
    std::string pasteboard;
    std::string cleaner;
    friend bool operator==(const EngineRequest&, const EngineRequest&) = default;
};

// A sim world with the agent running (not yet started up), its engine installed but not running
// and named in the shared settings, and the engine client composed as the agent's main does,
// with sim collaborators. The library folder is empty until a test installs one.
class AgentSimFixture : public ::testing::Test {
  public:
    AgentSimFixture();

    // Rewrites the agent's Info.plist; takes effect for a delegate started afterwards.
    void writeAgentInfo(const platform::PropertyList::Dictionary& info);
    // The agent's bundle as the banner prints it.
    std::filesystem::path agentBundlePath() const { return temp.path() / "purlaneAgent.app"; }

    // Starts the engine as the user or as the agent would ("--agentmode").
    platform::SimProcess& startEngine(bool agentMode = false);
    // Installs and starts the version-8 engine.
    platform::SimProcess& startEngine8();
    // Makes the client clean through the engine, as start-up does.
    void connectEngine();

    // The JSON library pair of the test data, or one file written from text.
    void installLibrary();
    void writeLibraryFile(const std::string& name, const std::string& text);
    std::filesystem::path dataFolder() const;

    platform::Pasteboard pasteboard(const std::string& name);
    platform::Pasteboard general();
    void putText(platform::Pasteboard& pasteboard, const std::string& text);

    AppDelegate::Services services();
    std::vector<platform::SimAppRequest> requests(platform::SimAppRequest::Kind kind);
    // Printed lines that begin with `prefix`.
    std::vector<std::string> printed(const std::string& prefix) const;
    bool logged(const std::string& message) const;

    testsupport::TempDir temp;
    platform::ScopedLogCapture logs;
    platform::SimWorld world;
    platform::SimGroupContainers containers{temp.path() / "containers"};
    platform::SimSounds sounds;
    platform::SimAccessibility accessibility;
    platform::SimProcess& agent;
    platform::UserDefaults& defaults;
    // The suite the engine writes its location into.
    platform::UserDefaults& shared;
    PLClient client;
    PurlaneServerConnection server;
    AgentGURLHandler urlHandler;

    std::vector<EngineRequest> engineRequests;
    // Version-8 requests as unarchived dictionaries.
    std::vector<platform::PropertyList> engine8Commands;
    int clientInfoUpdates = 0;

  private:
    platform::SimProcess& launchAgent();
    platform::SimLaunchFunction engineLaunch();
    platform::SimLaunchFunction engine8Launch();
};

}  // namespace agenttest
