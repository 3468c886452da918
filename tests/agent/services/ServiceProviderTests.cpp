// The agent's Services provider on the sim: its three messages and its registration at start-up.

#include <filesystem>

#include "agent/app/PLServiceProvider.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimServicesMenu.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;
using agenttest::EngineRequest;
using agenttest::kUpper;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class ServiceProviderTest : public agenttest::AgentSimFixture {
  public:
    ServiceProviderTest() {
        connectEngine();
        client.setPickList([this](const std::optional<std::string>& start) {
            picks.push_back(start.value_or("(none)"));
            return pickAnswer;
        });
    }
    // What the provider printed, in order.
    Strings messagesPrinted() const {
        Strings out;
        for (const auto& line : logs.sink.printed)
            if (line == "cleanText" || line == "applyTextCleaner" || line == "pickCleanerAction")
                out.push_back(line);
        return out;
    }

    Strings picks;
    std::string pickAnswer = kUpper;
    Pasteboard board = pasteboard("services-42");
};

TEST_F(ServiceProviderTest, MessagesApplyTheUserDataOrThePickedCleaner) {
    const struct {
        std::string message, userData, pickAnswer;
        Strings printed;
        bool picked;
        std::optional<std::string> cleaner;  // sent to the engine
    } cases[] = {
        {"cleanText", kUpper, "", {"cleanText", "applyTextCleaner"}, false, kUpper},
        {"cleanText", "cc.shout", "", {"cleanText", "applyTextCleaner"}, false, "cc.shout"},
        {"cleanText", "#cleanText", kUpper, {"cleanText", "pickCleanerAction"}, true, kUpper},
        {"cleanText", "#cleanText", "#CANCEL", {"cleanText", "pickCleanerAction"}, true, {}},
        {"applyTextCleaner", "#cleanText", "", {"applyTextCleaner"}, false, "#cleanText"},
        {"pickCleanerAction", "ignored", kUpper, {"pickCleanerAction"}, true, kUpper},
        {"pickCleanerAction", "", "", {"pickCleanerAction"}, true, {}},  // no choice
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + " " + c.userData + " " + c.pickAnswer);
        logs.sink.printed.clear();
        engineRequests.clear();
        picks.clear();
        pickAnswer = c.pickAnswer;
        putText(board, "some text");
        PLServiceProvider provider(client);
        std::string error;

        EXPECT_TRUE(provider.performService(c.message, board, c.userData, error));
        EXPECT_EQ(error, "");
        EXPECT_EQ(messagesPrinted(), c.printed);
        EXPECT_EQ(picks, c.picked ? Strings{"(none)"} : Strings{});
        if (c.cleaner) {
            EXPECT_EQ(engineRequests,
                      (std::vector<EngineRequest>{{"cleanPasteboard", "services-42", *c.cleaner}}));
        } else {
            EXPECT_TRUE(engineRequests.empty());
        }
        EXPECT_EQ(board.stringForType(PasteboardTypes::kString),
                  c.cleaner == kUpper ? "SOME TEXT" : "some text");
    }
    PLServiceProvider provider(client);
    std::string error;
    EXPECT_FALSE(provider.performService("cleanTextNow", board, kUpper, error));
}

class ServiceStartupTest : public ServiceProviderTest {
  public:
    AppDelegate& start() {
        AppDelegate::Services s = services();
        s.servicesMenu = &agentMenu;
        delegate = std::make_unique<AppDelegate>(s);
        agent.application().setDelegate(delegate.get());
        agent.application().run();
        return *delegate;
    }
    fs::path servicesFolder() const { return temp.path() / "Library/Services"; }
    SimServicesMenu agentMenu{agent, servicesFolder()};
    std::unique_ptr<AppDelegate> delegate;
};

// Other applications reaching the provider through the Services menu, picked and cancelled, is
// checked on the desktop.
TEST_F(ServiceStartupTest, StartUpRegistersTheProviderAndReadsTheServices) {
    AppDelegate& d = start();
    ASSERT_NE(d.serviceProvider(), nullptr);
    EXPECT_EQ(agentMenu.servicesProvider(), d.serviceProvider());
    EXPECT_EQ(&d.serviceProvider()->client(), &client);
    EXPECT_EQ(agentMenu.readings(), 1);
}

}  // namespace
