// URL commands on the sim: reading the URL, scheme and host matching, query parameters, each
// command's effect, the queue until start-up ends, and the help text.

#include <gtest/gtest.h>

#include "agent/app/AgentGURLHandler.h"
#include "agent/updates/AppUpdater.h"
#include "platform/events/AppleEvent.h"
#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;
using Strings = std::vector<std::string>;

namespace {

// Records the checks it is asked for.
class RecordingUpdater : public AppUpdaterProtocol {
  public:
    void setup(AppUpdaterChannel, bool) override { wasSetUp = true; }
    void checkForUpdates() override { record("regular"); }
    void checkForBetaUpdates() override { record("beta"); }
    bool overdueForUpdateCheck() override { return false; }
    std::string overdueForCheckMessage() override { return {}; }
    bool updateAvailable() const override { return false; }
    Strings checks;
    bool wasSetUp = false;
    std::function<void()> onCheck;

  private:
    void record(const char* kind) {
        checks.push_back(kind);
        if (onCheck) onCheck();
    }
};

// What running some URLs did.
struct Outcome {
    // Printed lines other than the line every received URL prints.
    Strings printed;
    Strings checks;
    Strings panes;
    int launches = 0;
    // The agent came to the front.
    bool activated = false;
    int notices = 0;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
    auto list = [os](const char* name, const Strings& items) {
        *os << name << "{";
        for (const auto& s : items) *os << '"' << s << "\" ";
        *os << "} ";
    };
    list("printed", o.printed);
    list("checks", o.checks);
    list("panes", o.panes);
    *os << "launches " << o.launches << " activated " << o.activated << " notices " << o.notices;
}

class URLCommandTest : public agenttest::AgentSimFixture {
  public:
    URLCommandTest() {
        agent.notificationCenter().addObserver(AppUpdater::checkedForUpdates, nullptr,
                                               [this](const Notification&) { ++notices; });
        handler.setUpdater(&updater);
    }

    // A URL event as the OS delivers it; without text, one that has no direct object.
    int receive(const std::optional<std::string>& url) {
        AppleEvent event(FourCharCode::make("GURL"), FourCharCode::make("GURL"),
                         agenttest::kAgentID);
        if (url)
            event.setParamDescriptor(AEKeyword::kDirectObject, AppleEventDescriptor::string(*url));
        AppleEvent reply;
        return handler.handleGURLEvent(event, reply);
    }
    // Runs the URLs with the queue open and everything they scheduled; the outcome counts
    // from here on only.
    Outcome run(const Strings& urls) {
        mark();
        handler.beginProcessing();
        for (const auto& url : urls) receive(url);
        world.runUntilIdle();
        return outcome();
    }
    // Outcomes count from here on.
    void mark() {
        world.apps().activate(browser);
        since = outcome(/*all=*/true);
    }
    Outcome outcome(bool all = false) {
        Outcome o;
        for (const auto& line : logs.sink.printed)
            if (line != AgentGURLHandler::kReceivedLine) o.printed.push_back(line);
        o.checks = direct.checks;
        o.panes = panes;
        o.launches = launches;
        o.activated = world.apps().frontmost() == &agent;
        o.notices = notices;
        if (all) return o;
        auto tail = [](Strings& now, const Strings& before) {
            now.erase(now.begin(), now.begin() + static_cast<long>(before.size()));
        };
        tail(o.printed, since.printed);
        tail(o.checks, since.checks);
        tail(o.panes, since.panes);
        o.launches -= since.launches;
        o.notices -= since.notices;
        return o;
    }
    int receivedLines() const {
        return static_cast<int>(std::count(logs.sink.printed.begin(), logs.sink.printed.end(),
                                           AgentGURLHandler::kReceivedLine));
    }

    Outcome since;
    // Another application in front, so that activating the agent shows.
    SimProcess& browser = world.launch("com.example.browser");
    RecordingUpdater direct;
    AppUpdater updater{&direct, agent.notificationCenter()};
    Strings panes;
    int launches = 0, notices = 0;
    std::function<void()> onLaunch;
    AgentGURLHandler handler{{agent.application(), agent.mainQueue(), agent.notificationCenter(),
                              [this] {
                                  ++launches;
                                  if (onLaunch) onLaunch();
                              },
                              [this](const std::string& pane) { panes.push_back(pane); }}};
};

Outcome updated(const char* check) {
    return {.checks = {check}, .activated = true, .notices = 1};
}
Outcome pane(const char* name) {
    return {.panes = {name}};
}
Outcome prints(std::string line) {
    return {.printed = {std::move(line)}};
}

TEST_F(URLCommandTest, EachCommandOnEitherScheme) {
    const std::vector<std::pair<std::string, Outcome>> cases = {
        {"x-purlane-agent://update", updated("regular")},
        {"x-plagent://update", updated("regular")},
        {"x-purlane-agent://updatebeta", updated("beta")},
        {"x-plagent://updatebeta?beta=n", updated("beta")},
        {"x-purlane-agent://prefs", pane("general")},
        {"x-plagent://prefs?name=hotkeys", pane("hotkeys")},
        {"x-purlane-agent://launchapp", Outcome{.launches = 1}},
        {"x-plagent://launchapp?name=x", Outcome{.launches = 1}},
        {"x-purlane-agent://help", prints(AgentGURLHandler::helpText())},
        // Path and fragment play no part.
        {"x-purlane-agent://help/more#top", prints(AgentGURLHandler::helpText())},
    };
    for (const auto& [url, expected] : cases) {
        const int received = receivedLines();
        EXPECT_EQ(run({url}), expected) << url;
        EXPECT_EQ(receivedLines(), received + 1) << url;
    }
}

TEST_F(URLCommandTest, SchemeAndHostAreMatchedExactly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"X-PURLANE-AGENT://help", "unknown scheme: X-PURLANE-AGENT"},
        {"x-plagent2://help", "unknown scheme: x-plagent2"},
        {"https://help", "unknown scheme: https"},
        // No host: the scheme is known, the URL is not.
        {"x-purlane-agent:help", "unknown scheme: x-purlane-agent"},
        {"x-plagent:", "unknown scheme: x-plagent"},
        // Relative references parse but have no scheme.
        {"//help", "unknown scheme: (none)"},
        {"", "unknown scheme: (none)"},
        {"x-purlane-agent://Help", "unknown command: Help"},
        {"x-purlane-agent://UPDATE", "unknown command: UPDATE"},
        {"x-purlane-agent://helpme", "unknown command: helpme"},
        {"x-purlane-agent://", "unknown command: "},
    };
    for (const auto& [url, line] : cases) EXPECT_EQ(run({url}), prints(line)) << url;
}

TEST_F(URLCommandTest, BetaIsBooleanTextAndTheLaterItemWins) {
    const std::vector<std::pair<std::string, const char*>> cases = {
        {"beta=Y", "beta"},           {"beta=yes", "beta"},    {"beta=YES", "beta"},
        {"beta=1", "beta"},           {"beta=10", "beta"},     {"beta=true", "regular"},
        {"beta=N", "regular"},        {"beta=0", "regular"},   {"beta=", "regular"},
        {"beta", "regular"},          {"Beta=y", "regular"},   {"beta=n&beta=y", "beta"},
        {"beta=y&beta=n", "regular"}, {"beta=y&beta", "beta"}, {"beta=y&other=n", "beta"},
        {"beta=%79", "beta"},
    };
    for (const auto& [query, check] : cases)
        EXPECT_EQ(run({"x-purlane-agent://update?" + query}), updated(check)) << query;
}

TEST_F(URLCommandTest, PaneNameFromTheLastNameItemOneSecondLater) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"name=services", "services"}, {"name=a&name=b", "b"},
        {"name=a&name", "a"},          {"other=x&name=advanced&nam=y", "advanced"},
        {"NAME=about", "general"},     {"name=", ""},
        {"name=notes", "notes"},
    };
    handler.beginProcessing();
    for (const auto& [query, expected] : cases) {
        mark();
        receive("x-plagent://prefs?" + query);
        world.advance(AgentGURLHandler::kPrefsDelay - 0.001);
        EXPECT_EQ(outcome(), Outcome{}) << query;
        world.advance(0.001);
        EXPECT_EQ(outcome(), pane(expected.c_str())) << query;
    }
}

TEST_F(URLCommandTest, TheWholeTextIsDecodedBeforeParsing) {
    const std::vector<std::pair<std::string, Outcome>> cases = {
        {"x-purlane-agent%3A%2F%2Fhelp", prints(AgentGURLHandler::helpText())},
        {"x-purlane-agent://%70refs", pane("general")},
        {"x-purlane-agent://prefs%3Fname%3Dabout", pane("about")},
        // Encoded twice: the second layer is taken off per part.
        {"x-purlane-agent://prefs?name=a%2526b", pane("a&b")},
        {"x-purlane-agent://hel%2570", prints(AgentGURLHandler::helpText())},
    };
    for (const auto& [url, expected] : cases) EXPECT_EQ(run({url}), expected) << url;
}

TEST_F(URLCommandTest, UnreadableURLsStopSilently) {
    const std::vector<std::optional<std::string>> cases = {
        std::nullopt,                               // no direct object
        "x-purlane-agent://prefs?name=%zz",         // malformed escape
        "x-purlane-agent://prefs?name=%FF",         // not UTF-8
        "x-purlane-agent://prefs?name=hot%20keys",  // decodes to a space
        "x-purlane-agent://help?a=<b>",             // not allowed in a URL
    };
    handler.beginProcessing();
    for (const auto& url : cases) {
        mark();
        const int received = receivedLines();
        EXPECT_EQ(receive(url), OSErr::kNoErr);
        world.runUntilIdle();
        EXPECT_EQ(outcome(), Outcome{}) << url.value_or("(none)");
        EXPECT_EQ(receivedLines(), received + 1);
    }
}

TEST_F(URLCommandTest, UpdateWithoutAnUpdaterActivatesAndAnnounces) {
    handler.setUpdater(nullptr);
    EXPECT_EQ(run({"x-purlane-agent://update?beta=y", "x-plagent://updatebeta"}),
              (Outcome{.activated = true, .notices = 2}));
}

TEST_F(URLCommandTest, URLsWaitUntilProcessingBeginsThenRunInArrivalOrder) {
    receive("x-purlane-agent://update");
    receive("x-purlane-agent://bogus");
    receive("x-plagent://launchapp");
    receive("x-purlane-agent://prefs?name=%zz");  // unreadable: not even queued
    EXPECT_EQ(handler.pending().size(), 3u);
    EXPECT_FALSE(handler.allowProcessing());
    world.runUntilIdle();
    EXPECT_EQ(outcome(), Outcome{});
    EXPECT_EQ(receivedLines(), 4);

    // A command run from the queue may take in another URL (an update window runs an event
    // loop of its own); it waits behind the rest instead of overtaking or being lost.
    onLaunch = [this] { receive("x-purlane-agent://help"); };
    handler.beginProcessing();
    EXPECT_TRUE(handler.allowProcessing());
    EXPECT_TRUE(handler.pending().empty());
    EXPECT_EQ(outcome(),
              (Outcome{.printed = {"unknown command: bogus", AgentGURLHandler::helpText()},
                       .checks = {"regular"},
                       .launches = 1,
                       .activated = true,
                       .notices = 1}));

    onLaunch = nullptr;
    receive("x-plagent://launchapp");
    EXPECT_EQ(launches, 2);
}

// Start-up opens the queue last: a URL sent while the agent starts runs once the Services
// provider and the updater are there.
TEST_F(URLCommandTest, AURLSentDuringStartUpRunsAfterTheLastStep) {
    Strings events;
    AppDelegate delegate({agent.application(), agent, accessibility, client, server, handler,
                          temp.path() / "Library"});
    delegate.setUpdater(&updater);
    delegate.setStepObserver([&](const std::string& step) {
        events.push_back(step);
        if (step == "banner") receive("x-purlane-agent://update?beta=1");
    });
    direct.onCheck = [&] {
        events.push_back("check");
        EXPECT_NE(delegate.serviceProvider(), nullptr);
        EXPECT_TRUE(direct.wasSetUp);
    };
    agent.application().setDelegate(&delegate);
    agent.application().run();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], "openURLQueue");
    EXPECT_EQ(events.back(), "check");
    EXPECT_EQ(direct.checks, Strings{"beta"});
}

TEST(URLCommandHelp, TheHelpTextByteForByte) {
    EXPECT_EQ(AgentGURLHandler::helpText(),
              "    *** URL command help ****\n"
              "\n"
              "    x-purlane-agent://launchapp\n"
              "\n"
              "    x-purlane-agent://update\n"
              "    x-purlane-agent://updatebeta\n"
              "    x-purlane-agent://update?beta=Y\n"
              "\n"
              "    x-purlane-agent://prefs\n"
              "    x-purlane-agent://prefs?name=general\n"
              "    x-purlane-agent://prefs?name=hotkeys\n"
              "    x-purlane-agent://prefs?name=updates\n"
              "    x-purlane-agent://prefs?name=services\n"
              "    x-purlane-agent://prefs?name=advanced\n"
              "    x-purlane-agent://prefs?name=about\n"
              "    x-purlane-agent://prefs?name=notes\n"
              "\n"
              "    *** END ***");
}

}  // namespace
