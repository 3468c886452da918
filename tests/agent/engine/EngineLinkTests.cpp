#include <functional>

#include "platform/events/AppleEvent.h"
#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;
using agenttest::EngineRequest;
using agenttest::kEngine8ID;
using agenttest::kEngineID;
using agenttest::kUpper;
using Kind = SimAppRequest::Kind;

namespace {

constexpr FourCharCode kPL90 = FourCharCode::make("PL90");
constexpr FourCharCode kPurl = FourCharCode::make("Purl");
constexpr FourCharCode kPlS2 = FourCharCode::make("plS2");
const std::string kBoard = "com.example.clean";

class EngineLinkTest : public agenttest::AgentSimFixture {
  protected:
    std::string textOf(const std::string& name) {
        return pasteboard(name).stringForType(PasteboardTypes::kString).value_or("<none>");
    }
    // Puts text on the named pasteboard and asks the client to clean it.
    void cleanText(const std::string& text, const std::string& cleaner = kUpper) {
        auto board = pasteboard(kBoard);
        putText(board, text);
        client.cleanPasteboardWithName(kBoard, cleaner);
    }
    std::vector<SimSentAppleEvent> sent(FourCharCode eventClass) {
        std::vector<SimSentAppleEvent> out;
        for (const auto& s : world.appleEventBus().history())
            if (s.event.eventClass() == eventClass) out.push_back(s);
        return out;
    }
    // A bundle on disk (not installed in the world) with the given identifier.
    Url diskBundle(const std::string& folder, const std::string& id) {
        temp.write(folder + "/Contents/Info.plist",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                   "<key>CFBundleIdentifier</key><string>" +
                       id + "</string></dict></plist>\n");
        return Url::fileURLWithPath((temp.path() / folder).string(), true);
    }
};

// The hidden start in agent mode, and a running engine used as it is, are checked end to end.
TEST_F(EngineLinkTest, WithoutARunningEngineItIsStartedAndAskedAtOnce) {
    connectEngine();
    cleanText("dirty text");

    // Nothing had to run in between: the launch returns with the engine ready.
    EXPECT_EQ(textOf(kBoard), "DIRTY TEXT");
    ASSERT_EQ(requests(Kind::Launch).size(), 1u);
    EXPECT_EQ(requests(Kind::Launch)[0].options, 0x100200u);
    EXPECT_EQ(engineRequests, (std::vector<EngineRequest>{{"cleanPasteboard", kBoard, kUpper}}));
    ASSERT_EQ(sent(kPL90).size(), 1u);
    EXPECT_EQ(sent(kPL90)[0].event.targetBundleID(), kEngineID);
}

struct UnreachableCase {
    const char* name;
    std::function<void(agenttest::AgentSimFixture&)> arrange;
    std::vector<std::string> printed;
    int beeps = 0;
    std::vector<std::string> played;
};

// The agent can't reach any engine: the request is dropped, with a sound only when the engine
// named in the settings is not installed.
const UnreachableCase kUnreachable[] = {
    {"IdentifierNotAccepted",
     [](auto& f) {
         f.world.apps().install(
             {.bundleIdentifier = "com.example.other", .path = "/Applications/Other.app"});
         f.shared.setString("engine.bundle.id", "com.example.other");
     },
     {},
     0,
     {}},
    {"NoIdentifier", [](auto& f) { f.shared.removeObjectForKey("engine.bundle.id"); }, {}, 0, {}},
    {"NotInstalled",
     [](auto& f) { f.world.apps().uninstall(kEngineID); },
     {"Unable to find App URL for bundle ID : com.halvik.purlane9"},
     1,
     {}},
    {"NotInstalledWithTheErrorSound",
     [](auto& f) {
         f.world.apps().uninstall(kEngineID);
         f.sounds.installed.insert("error-pop");
     },
     {"Unable to find App URL for bundle ID : com.halvik.purlane9"},
     0,
     {"error-pop"}},
};

void PrintTo(const UnreachableCase& c, std::ostream* os) {
    *os << c.name;
}

class DroppedRequestTest : public EngineLinkTest,
                           public ::testing::WithParamInterface<UnreachableCase> {};

TEST_P(DroppedRequestTest, NothingIsLaunchedOrSent) {
    GetParam().arrange(*this);
    connectEngine();
    cleanText("left alone");

    EXPECT_EQ(textOf(kBoard), "left alone");
    EXPECT_TRUE(requests(Kind::Launch).empty());
    EXPECT_TRUE(world.appleEventBus().history().empty());
    EXPECT_EQ(logs.sink.printed, GetParam().printed);
    EXPECT_EQ(sounds.beeps, GetParam().beeps);
    EXPECT_EQ(sounds.played, GetParam().played);
}

INSTANTIATE_TEST_SUITE_P(Engine, DroppedRequestTest, ::testing::ValuesIn(kUnreachable),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineLinkTest, ASettingsURLOfAnotherApplicationFallsBackToTheWorkspace) {
    shared.setURL("engine.bundle.url", diskBundle("Other.app", "com.example.other"));
    connectEngine();
    cleanText("text");

    EXPECT_EQ(
        printed("Launching engine at "),
        std::vector<std::string>{"Launching engine at " +
                                 Url::fileURLWithPath(agenttest::kEnginePath, true).description()});
    EXPECT_EQ(textOf(kBoard), "TEXT");
}

TEST_F(EngineLinkTest, ASettingsURLOfTheEngineIsLaunchedAndNamedWhenItFails) {
    // An accepted bundle the world can't start: the failure names where it was looked for.
    shared.setURL("engine.bundle.url", diskBundle("Elsewhere/Purlane.app", kEngineID));
    const Url url = shared.URLForKey("engine.bundle.url").value();
    connectEngine();
    cleanText("text");

    EXPECT_EQ(printed("Launching engine at "),
              std::vector<std::string>{"Launching engine at " + url.description()});
    // A bundle is a folder, and its URL says so.
    EXPECT_TRUE(url.description().ends_with("/Elsewhere/Purlane.app/")) << url.description();
    const auto failures = printed("Error launching Purlane app: ");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].ends_with(" at " + url.description())) << failures[0];
    EXPECT_TRUE(engineRequests.empty());
}

// The engine ships under three identifiers; anything else, however close, is not the engine.
TEST(EngineIdentifierTest, OnlyTheThreeEngineIdentifiersAreAccepted) {
    const std::pair<const char*, bool> cases[] = {
        {"com.halvik.purlane9", true},           {"com.halvik.purlane-storeapp", true},
        {"com.halvik.purlane9.mas", true},       {"com.halvik.purlane8", false},
        {"com.halvik.purlane", false},           {"com.halvik.purlane9.ma", false},
        {"com.halvik.purlane9.mass", false},     {"com.halvik.purlane9mas", false},
        {"com.halvik.purlane-storeap", false},   {"com.halvik.purlane_storeapp", false},
        {"com.halvik.purlane-storeapp ", false}, {"COM.HALVIK.PURLANE9", false},
        {"com.halvik.purlane.agent", false},     {"", false},
    };
    for (const auto& [id, accepted] : cases)
        EXPECT_EQ(PurlaneServerConnection::isAcceptedEngineIdentifier(id), accepted) << id;
}

TEST_F(EngineLinkTest, Version8RequestsGoToTheOldEngineAsAnArchive) {
    defaults.setBool("PL8Connect", true);
    startEngine8();
    connectEngine();
    cleanText("old engine");

    EXPECT_EQ(textOf(kBoard), "OLD ENGINE");
    EXPECT_TRUE(sent(kPL90).empty());
    EXPECT_TRUE(engineRequests.empty());

    const auto events = sent(kPurl);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event.eventID(), kPlS2);
    EXPECT_EQ(events[0].event.targetBundleID(), kEngine8ID);
    EXPECT_EQ(events[0].mode, 0x1053);
    ASSERT_EQ(engine8Commands.size(), 1u);
    EXPECT_EQ(
        engine8Commands[0],
        PropertyList(PropertyList::Dictionary{
            {"command", "cleanPasteboard:cleaner:"}, {"param1", kBoard}, {"param2", kUpper}}));
}

TEST_F(EngineLinkTest, Version8SendErrorsAreLogged) {
    defaults.setBool("PL8Connect", true);
    connectEngine();
    cleanText("text");

    EXPECT_TRUE(logged("AppleEvent Error: -600"));
    EXPECT_TRUE(printed("purlane 8 send result").empty());
    EXPECT_EQ(textOf(kBoard), "text");
}

TEST_F(EngineLinkTest, LaunchForUserQuitsOnlyAgentModeEnginesAndThenStartsANewOne) {
    const int hidden = startEngine(/*agentMode=*/true).pid();
    const int visible = startEngine().pid();
    world.apps().clearRequests();
    server.launchEngineForUser();

    const auto quits = requests(Kind::Terminate);
    ASSERT_EQ(quits.size(), 1u);
    EXPECT_EQ(quits[0].pid, hidden);
    const auto launches = requests(Kind::Launch);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].options, 0x80000u);
    EXPECT_TRUE(world.apps().runningProcess(launches[0].pid)->application().arguments().empty());
    world.runUntilIdle();
    EXPECT_FALSE(world.apps().runningProcess(hidden));
    EXPECT_TRUE(world.apps().runningProcess(visible));
}

TEST_F(EngineLinkTest, LaunchForUserWithoutAgentModeEngineAsksForNoNewInstance) {
    server.launchEngineForUser();
    const int first = requests(Kind::Launch).at(0).pid;
    EXPECT_EQ(requests(Kind::Launch)[0].options, 0u);
    // Again, with the engine now running for the user: reopened, nothing quit.
    server.launchEngineForUser();
    EXPECT_TRUE(requests(Kind::Terminate).empty());
    const auto reopens = requests(Kind::Reopen);
    ASSERT_EQ(reopens.size(), 1u);
    EXPECT_EQ(reopens[0].pid, first);
    EXPECT_EQ(reopens[0].options, 0u);
}

TEST_F(EngineLinkTest, WithoutADelegateCleaningDoesNothingAndPicksAreCancelled) {
    auto board = general();
    putText(board, "clipboard");
    client.cleanClipboardWith(kUpper);
    cleanText("named");
    client.cleanPasteboard(board, kUpper);
    client.setPickList([](const auto&) { return std::string("upper"); });

    EXPECT_EQ(board.stringForType(PasteboardTypes::kString), "clipboard");
    EXPECT_EQ(textOf(kBoard), "named");
    EXPECT_TRUE(world.apps().requests().empty());
    EXPECT_TRUE(world.appleEventBus().history().empty());
    EXPECT_EQ(client.showPickListWithStart(std::nullopt), "#CANCEL");
    EXPECT_EQ(client.showPickListWithStart("Standard"), "#CANCEL");
}

}  // namespace
