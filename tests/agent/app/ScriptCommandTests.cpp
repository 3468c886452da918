#include <map>

#include "agent/app/ScriptCommandDispatcher.h"
#include "platform/events/ScriptValues.h"
#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimPasteboardStore.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;
using agenttest::kAgentID;
using agenttest::kUpper;

namespace {

using Strings = std::vector<std::string>;
using Desc = AppleEventDescriptor;

// The fixture's built-in file, and a user file with a group whose name looks like an identifier.
const char* kUserLibrary = R"({
  "groups": [
    {"uuid": "##Favorites", "name": "Favorites", "tokens": ["trim"]},
    {"uuid": "0B8E3D52-6A41-4C8F-9E0B-2A7F55C1D9E4", "name": "##Favorites",
     "tokens": ["upper", "lower"]}
  ],
  "special": {"uuid": "##Custom", "name": "Custom", "tokens": ["my-slug"]},
  "lookup": {"trim": ["Trim"], "upper": ["UPPER CASE"], "lower": ["lower case"],
             "my-slug": ["Slug"]}
})";

ScriptingDefinition agentDefinition() {
    auto definition =
        ScriptingDefinition::readFile(PURLANE_TEST_DATA "/../../resources/purlaneAgent.sdef");
    EXPECT_TRUE(definition.ok());
    return definition.ok() ? std::move(definition).value() : ScriptingDefinition();
}

class ScriptCommandTest : public agenttest::AgentSimFixture {
  public:
    ScriptCommandTest() {
        dispatcher.install(agent.appleEventManager());
        installLibrary();
        writeLibraryFile("purlane9-groups-user.json", kUserLibrary);
        client.updateSharedData();
        connectEngine();
    }

    // Sends the command as a script would and returns the result, if any.
    std::optional<PropertyList> run(const std::string& command, std::optional<Desc> direct = {},
                                    const std::map<std::string, Desc>& parameters = {}) {
        const auto* c = definition.commandNamed(command);
        EXPECT_TRUE(c) << command;
        if (!c) return std::nullopt;
        AppleEvent event(c->eventClass, c->eventID, kAgentID);
        if (direct) event.setParamDescriptor(AEKeyword::kDirectObject, *direct);
        for (const auto& [name, value] : parameters) {
            const auto* p = c->parameterNamed(name);
            EXPECT_TRUE(p) << name;
            if (p) event.setParamDescriptor(p->code, value);
        }
        auto result =
            scripter.appleEventManager().send(event, AESendMode::kWaitReply, kAEDefaultTimeout);
        EXPECT_EQ(result.error, OSErr::kNoErr);
        const auto* reply = result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject);
        return reply ? ScriptValues::fromAnyDescriptor(*reply) : std::nullopt;
    }
    static Desc text(const std::string& s) { return Desc::string(s); }
    // Not text: two values where one is expected.
    static Desc notText() { return Desc::list({Desc::string("a"), Desc::string("b")}); }
    static PropertyList strings(const Strings& items) {
        return PropertyList(PropertyList::Array(items.begin(), items.end()));
    }

    ScriptingDefinition definition = agentDefinition();
    ScriptCommandDispatcher dispatcher{agentDefinition(), {client, world.sharedPasteboardStore()}};
    SimProcess& scripter = world.launch("com.example.scripter");
};

TEST_F(ScriptCommandTest, CleanTextReturnsTheEngineResultAndLeavesNoPasteboardBehind) {
    const auto before = world.pasteboardStore().names();
    const struct {
        std::optional<Desc> direct;
        std::optional<std::string> cleaner;
        std::string result;
    } cases[] = {
        {text("some text"), kUpper, "SOME TEXT"},
        {text("some text"), "#NO-SUCH-CLEANER", "some text"},
        {text("some text"), std::nullopt, "some text"},
        {text(""), kUpper, ""},
        {notText(), kUpper, ""},
        {std::nullopt, kUpper, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result + " / " + c.cleaner.value_or("<none>"));
        std::map<std::string, Desc> parameters;
        if (c.cleaner) parameters.emplace("cleaner", text(*c.cleaner));
        EXPECT_EQ(run("clean text", c.direct, parameters), PropertyList(c.result));
        EXPECT_EQ(world.pasteboardStore().names(), before);
    }
    // The engine saw a pasteboard of its own for each text.
    ASSERT_GE(engineRequests.size(), 2u);
    EXPECT_NE(engineRequests[0].pasteboard, engineRequests[1].pasteboard);
}

TEST_F(ScriptCommandTest, GroupNamesByLimitInAnyCase) {
    const Strings builtin = {"Standard", "Basic", "Custom"};
    const Strings user = {"Favorites", "##Favorites"};
    const Strings all = {"Standard", "Basic", "Library", "Custom", "Favorites", "##Favorites"};
    const struct {
        std::optional<std::string> limit;
        Strings names;
    } cases[] = {{"built-in", builtin}, {"Built-In", builtin}, {"user", user},
                 {"USER", user},        {"builtin", all},      {"", all},
                 {std::nullopt, all}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit.value_or("<none>"));
        std::map<std::string, Desc> parameters;
        if (c.limit) parameters.emplace("limit", text(*c.limit));
        EXPECT_EQ(run("group names", std::nullopt, parameters), strings(c.names));
    }
}

TEST_F(ScriptCommandTest, GroupItemsByIdentifierOrName) {
    const Strings standardTokens = {"#LABEL:Spaces", "trim",          "collapse", "#SPACER",
                                    "upper",         "#LABEL:Custom", "my-slug"};
    const struct {
        std::optional<std::string> group;
        bool asToken;
        Strings items;
    } cases[] = {
        // "##" starts an identifier, even when a group is named so.
        {"##Favorites", false, {"Trim"}},
        {"##Favorites", true, {"trim"}},
        {"Favorites", true, {"trim"}},
        {"##Standard", true, standardTokens},
        {std::nullopt, true, standardTokens},
        {"Basic", false, {"Trim", "UPPER CASE", "lower case"}},
        {"Basic", true, {"trim", "upper", "lower"}},
        {"Nothing Like It", false, {}},
        {"##Nothing", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group.value_or("<none>") + (c.asToken ? " as tokens" : ""));
        std::map<std::string, Desc> parameters{{"as token", Desc::boolean(c.asToken)}};
        if (c.group) parameters.emplace("group", text(*c.group));
        EXPECT_EQ(run("group items", std::nullopt, parameters), strings(c.items));
    }
}

// Translation and echo are checked end to end; what is not text gives nothing.
TEST_F(ScriptCommandTest, NamesAndTokensOfNoTextAreEmpty) {
    EXPECT_EQ(run("name to token", notText()), PropertyList(""));
    EXPECT_EQ(run("token to name", std::nullopt), PropertyList(""));
}

TEST_F(ScriptCommandTest, PickCleanerAsksThePickListAndAnswersTokenOrName) {
    std::vector<std::optional<std::string>> starts;
    std::string answer = "upper";
    client.setPickList([&](const std::optional<std::string>& start) {
        starts.push_back(start);
        return answer;
    });
    EXPECT_EQ(run("pick cleaner"), PropertyList("#CANCEL")) << "no arguments: nothing is shown";
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(run("pick cleaner", std::nullopt, {{"as token", Desc::boolean(true)}}),
              PropertyList("upper"));
    EXPECT_EQ(run("pick cleaner", std::nullopt, {{"as token", Desc::boolean(false)}}),
              PropertyList("UPPER CASE"));
    EXPECT_EQ(run("pick cleaner", std::nullopt, {{"starting group", text("Favorites")}}),
              PropertyList("UPPER CASE"));
    answer = "#CANCEL";
    EXPECT_EQ(run("pick cleaner", std::nullopt, {{"as token", Desc::boolean(false)}}),
              PropertyList("#CANCEL"));
    EXPECT_EQ(starts, (std::vector<std::optional<std::string>>{"Standard", "Standard", "Favorites",
                                                               "Standard"}));
}

// The named pasteboard with and without plain text, and the cleaning commands, are checked end
// to end; here only what a script cannot name: no pasteboard means the clipboard.
TEST_F(ScriptCommandTest, MakePlainPasteboardWithoutANameTakesTheClipboard) {
    auto clipboard = general();
    clipboard.clearContents();
    clipboard.setData("{\\rtf1 rich}", PasteboardTypes::kRTF);
    clipboard.setString("plain");
    run("make plain pasteboard", notText());
    EXPECT_EQ(clipboard.types(), Strings{std::string(PasteboardTypes::kString)});
}

TEST_F(ScriptCommandTest, TextEncodings) {
    const auto list = run("text encoding list");
    ASSERT_TRUE(list && list->asArray() && !list->asArray()->empty());
    EXPECT_TRUE(list->asArray()->front().asString()->starts_with("Unicode"));
    EXPECT_EQ(run("is valid text encoding", text("UTF-8")), PropertyList(true));
    EXPECT_EQ(run("is valid text encoding", text("no such encoding")), PropertyList(false));
    EXPECT_EQ(run("is valid text encoding", notText()), PropertyList(false));
}

}  // namespace
