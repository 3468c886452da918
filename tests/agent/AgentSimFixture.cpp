#include "tests/agent/AgentSimFixture.h"

#include <algorithm>

#include "agent/engine/PLClientAgentDelegate.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/library/SharedDataLoader.h"
#include "platform/coding/KeyedArchive.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/coding/StringEncodings.h"
#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/workspace/Localization.h"

using namespace platform;

namespace agenttest {

namespace fs = std::filesystem;

namespace {

constexpr FourCharCode kEngineClass = FourCharCode::make("PL90");
constexpr FourCharCode kCommandID = FourCharCode::make("Cmd_");
constexpr FourCharCode kPurlClass = FourCharCode::make("Purl");
constexpr FourCharCode kSendCommand = FourCharCode::make("plS2");
constexpr FourCharCode kData = FourCharCode::make("data");

std::string stringParam(const AppleEvent& event, FourCharCode key) {
    const auto* d = event.paramDescriptorForKeyword(key);
    return d ? d->stringValue().value_or("") : std::string();
}

// What an engine does with a clean request: the pasteboard's text, cleaned, replaces it.
void cleanInPlace(const std::shared_ptr<PasteboardStore>& store, const std::string& name,
                  const std::string& cleaner) {
    auto board = Pasteboard::pasteboardWithName(store, name);
    auto text = board.stringForType(PasteboardTypes::kString);
    if (!text || cleaner != kUpper) return;
    std::transform(text->begin(), text->end(), text->begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
    board.clearContents();
    board.setString(*text);
}

}  // namespace

AgentSimFixture::AgentSimFixture()
    : agent(launchAgent()),
      defaults(agent.standardUserDefaults()),
      shared(agent.suite(SharedDataLoader::kGroupIdentifier)),
      client({world.sharedPasteboardStore(), &shared, &agent.notificationCenter(),
              std::make_shared<SharedDataLoader>(containers, defaults),
              std::make_shared<TextEncodingCatalog>(
                  StringEncodings::available(),
                  localized("Western", "Encoding family word in encoding names"),
                  localized("Unicode", "Encoding family word in encoding names"))}),
      server(shared, agent.workspace(), sounds),
      urlHandler(
          {agent.application(), agent.mainQueue(), agent.notificationCenter(), nullptr, nullptr}) {
    world.setHomeDirectory(temp.path() / "home");
    world.apps().install({.bundleIdentifier = kEngineID,
                          .path = kEnginePath,
                          .name = "Purlane",
                          .launch = engineLaunch()});
    shared.setString(PurlaneServerConnection::kEngineBundleIdKey, kEngineID);
    agent.notificationCenter().addObserver(PLClient::kClientInfoUpdated, nullptr,
                                           [this](const Notification& n) {
                                               ++clientInfoUpdates;
                                               // Posted with no object and no user info.
                                               EXPECT_EQ(n.object, nullptr);
                                               EXPECT_TRUE(n.userInfo.empty());
                                           });
}

SimProcess& AgentSimFixture::launchAgent() {
    writeAgentInfo({{"CFBundleIdentifier", kAgentID},
                    {"CFBundleName", "purlaneAgent"},
                    {"CFBundleShortVersionString", "9.0.0"},
                    {"CFBundleVersion", "900"},
                    {"LSUIElement", true}});
    world.apps().install({.bundleIdentifier = kAgentID,
                          .path = agentBundlePath().string(),
                          .activationPolicy = ActivationPolicy::Accessory,
                          .bundlePath = agentBundlePath()});
    return world.launch(kAgentID);
}

void AgentSimFixture::writeAgentInfo(const PropertyList::Dictionary& info) {
    auto xml = PropertyListSerialization::write(PropertyList(info), PropertyListFormat::Xml);
    ASSERT_TRUE(xml.ok());
    temp.write("purlaneAgent.app/Contents/Info.plist", *xml);
}

SimLaunchFunction AgentSimFixture::engineLaunch() {
    return [this](SimProcess& process, SimApplication& app) {
        const auto& args = app.arguments();
        // Started by the agent for a request, the engine keeps out of the Dock.
        if (std::find(args.begin(), args.end(), "--agentmode") != args.end())
            app.setActivationPolicy(ActivationPolicy::Accessory);
        auto store = process.pasteboardStore();
        process.appleEventManager().setEventHandler(
            kEngineClass, kCommandID, [this, store](const AppleEvent& event, AppleEvent&) {
                EngineRequest request{stringParam(event, FourCharCode::make("c000")),
                                      stringParam(event, FourCharCode::make("p001")),
                                      stringParam(event, FourCharCode::make("p002"))};
                cleanInPlace(store, request.pasteboard, request.cleaner);
                engineRequests.push_back(std::move(request));
                return OSErr::kNoErr;
            });
    };
}

SimLaunchFunction AgentSimFixture::engine8Launch() {
    return [this](SimProcess& process, SimApplication&) {
        auto store = process.pasteboardStore();
        process.appleEventManager().setEventHandler(
            kPurlClass, kSendCommand, [this, store](const AppleEvent& event, AppleEvent& reply) {
                const auto* data = event.paramDescriptorForKeyword(kData);
                if (!data) return OSErr::kParamErr;
                auto command = KeyedArchive::unarchiveData(data->data());
                if (!command.ok()) return OSErr::kParamErr;
                const auto text = [&](const char* key) {
                    const PropertyList* v = command->get(key);
                    return v && v->asString() ? *v->asString() : std::string();
                };
                cleanInPlace(store, text("param1"), text("param2"));
                engine8Commands.push_back(*command);
                auto answer = KeyedArchive::archivedData(PropertyList::Dictionary{{"done", true}});
                if (answer.ok())
                    reply.setParamDescriptor(kData,
                                             AppleEventDescriptor(DescType::kUTF8Text, *answer));
                return OSErr::kNoErr;
            });
    };
}

SimProcess& AgentSimFixture::startEngine(bool agentMode) {
    SimLaunchParameters parameters;
    if (agentMode) parameters.arguments = {"--agentmode"};
    return world.launch(kEngineID, parameters);
}

SimProcess& AgentSimFixture::startEngine8() {
    world.apps().install({.bundleIdentifier = kEngine8ID,
                          .path = "/Applications/Purlane 8.app",
                          .launch = engine8Launch()});
    return world.launch(kEngine8ID);
}

void AgentSimFixture::connectEngine() {
    client.setDelegate(std::make_shared<PLClientAgentDelegate>(defaults, server, agent.workspace(),
                                                               agent.appleEventManager()));
}

fs::path AgentSimFixture::dataFolder() const {
    return temp.path() / "containers" / SharedDataLoader::kGroupIdentifier /
           SharedDataLoader::kDataFolderName;
}

void AgentSimFixture::installLibrary() {
    fs::create_directories(dataFolder());
    for (const char* name : {SharedDataLoader::kBuiltinJson, SharedDataLoader::kUserJson})
        fs::copy_file(fs::path(PURLANE_TEST_DATA) / "library" / "json" / name, dataFolder() / name,
                      fs::copy_options::overwrite_existing);
}

void AgentSimFixture::writeLibraryFile(const std::string& name, const std::string& text) {
    temp.write(fs::relative(dataFolder() / name, temp.path()).string(), text);
}

Pasteboard AgentSimFixture::pasteboard(const std::string& name) {
    return Pasteboard::pasteboardWithName(world.sharedPasteboardStore(), name);
}

Pasteboard AgentSimFixture::general() {
    return Pasteboard::generalPasteboard(world.sharedPasteboardStore());
}

void AgentSimFixture::putText(Pasteboard& board, const std::string& text) {
    board.clearContents();
    board.setString(text);
}

AppDelegate::Services AgentSimFixture::services() {
    return {agent.application(),    agent, accessibility, client, server, urlHandler,
            temp.path() / "Library"};
}

std::vector<SimAppRequest> AgentSimFixture::requests(SimAppRequest::Kind kind) {
    std::vector<SimAppRequest> out;
    for (const auto& r : world.apps().requests())
        if (r.kind == kind) out.push_back(r);
    return out;
}

std::vector<std::string> AgentSimFixture::printed(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : logs.sink.printed)
        if (line.starts_with(prefix)) out.push_back(line);
    return out;
}

bool AgentSimFixture::logged(const std::string& message) const {
    const auto& lines = logs.sink.logged;
    return std::find(lines.begin(), lines.end(), message) != lines.end();
}

}  // namespace agenttest
