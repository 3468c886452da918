// The agent end to end, as a user or a script sees it: the real agent and sample engine started
// from their bundles in a temporary home, reached through purlanectl.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/coding/Json.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/workspace/Bundle.h"
#include "tests/support/AgentSession.h"

using namespace platform;
using testsupport::AgentSession;
using testsupport::RunResult;
using testsupport::Subprocess;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// The sample engine's library.
const Lines kAllGroups = {"Standard", "Basic", "Lines", "Library", "Custom", "My Cleaners"};
const Lines kBuiltinGroups = {"Standard", "Basic", "Lines", "Custom"};
const Lines kStandardTokens = {"#LABEL:Whitespace", "#SCRUB",   "#TRIM",    "#SPACER",
                               "#LABEL:Case",       "#UPPER",   "#LOWER",   "#TITLE",
                               "#LABEL:Custom",     "cc.shout", "cc.squash"};
const Lines kStandardNames = {"Whitespace", "Scrub Text", "Trim Whitespace", "-",
                              "Case",       "Upper Case", "Lower Case",      "Title Case",
                              "Custom",     "Shout",      "Squash"};

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class AgentEndToEnd : public testsupport::AgentSessionTest {
  protected:
    // A script command's output lines; a failing command fails the test.
    Lines script(const std::vector<std::string>& args) {
        const RunResult r = session->script(args);
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        return AgentSession::lines(r.out);
    }
    // The result of `clean text`, without the newline purlanectl adds.
    std::string cleanText(const std::string& text, const std::string& cleaner) {
        const RunResult r = session->script({"clean text", text, "--cleaner", cleaner});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.out.ends_with('\n')) << r.out;
        return r.out.substr(0, r.out.size() - (r.out.ends_with('\n') ? 1 : 0));
    }

    // The agent consumes NextLaunchAction during start-up, just before it quits other agents.
    bool waitUntilNextLaunchActionConsumed() {
        return AgentSession::waitFor([&] { return !session->defaultsRead("NextLaunchAction"); });
    }

    std::string paste(const std::vector<std::string>& flags = {}) {
        std::vector<std::string> args = {"pasteboard", "paste"};
        args.insert(args.end(), flags.begin(), flags.end());
        return session->ctl(args).out;
    }

    // A group added to the user's half of the published library, as the engine would write it.
    void addUserGroup(const std::string& name, const std::string& token) {
        const fs::path file = session->libraryDataFolder() / "purlane9-groups-user.json";
        auto json = Json::readFile(file);
        ASSERT_TRUE(json.ok()) << json.error().debugDescription();
        PropertyList root = *json;
        PropertyList* groups = root.asDictionary() ? root.asDictionary()->find("groups") : nullptr;
        ASSERT_TRUE(groups && groups->asArray());
        groups->asArray()->push_back(
            PropertyList::Dictionary{{"uuid", "0C9E7F61-2D4B-4A8E-B3C1-7D5E6F708192"},
                                     {"name", name},
                                     {"tokens", PropertyList::Array{token}},
                                     {"colortags", PropertyList::Array{0}}});
        auto text = Json::serialize(root, /*pretty=*/true);
        ASSERT_TRUE(text.ok());
        std::ofstream(file.string() + ".new", std::ios::binary) << *text;
        fs::rename(file.string() + ".new", file);
    }

    // A copy of the test application under the identifier of an older agent.
    fs::path olderAgentExecutable() {
        const fs::path bundle = session->home() / "OlderAgent.app";
        fs::copy(fs::path(PURLANE_TEST_APPLICATIONS) / "TestApp.app", bundle,
                 fs::copy_options::recursive);
        const fs::path info = bundle / "Contents/Info.plist";
        std::string plist = testsupport::readFile(info);
        for (size_t at; (at = plist.find("com.halvik.purlane.testapp")) != std::string::npos;)
            plist.replace(at, std::string("com.halvik.purlane.testapp").size(),
                          "com.halvik.purlane8.agent");
        std::ofstream(info, std::ios::trunc) << plist;
        auto opened = Bundle::open(bundle);
        return opened ? opened->executablePath().value_or(fs::path()) : fs::path();
    }
};

TEST_F(AgentEndToEnd, FirstCleanTextStartsTheEngineHiddenAndIsNotLost) {
    Subprocess* agent = session->startWithEngine();
    ASSERT_TRUE(agent);
    EXPECT_TRUE(session->appsWithIdentifier(AgentSession::kEngineID).empty());

    EXPECT_EQ(cleanText("  hello   world ", "#SCRUB"), "hello world");
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "Launching engine at "));
    const auto engines = session->appsWithIdentifier(AgentSession::kEngineID);
    ASSERT_EQ(engines.size(), 1u);
    EXPECT_EQ(engines[0].policy, "accessory");
    EXPECT_TRUE(contains(AgentSession::commandLine(engines[0].pid), "--agentmode"));

    // A running engine is used as it is.
    EXPECT_EQ(cleanText("hello", "#UPPER"), "HELLO");
    EXPECT_EQ(occurrences(agent->stdoutText(), "Launching engine at "), 1u);
    EXPECT_EQ(session->appsWithIdentifier(AgentSession::kEngineID).size(), 1u);
}

TEST_F(AgentEndToEnd, CleanTextHandsTheCleanerToTheEngineAsGiven) {
    ASSERT_TRUE(session->startWithEngine());
    EXPECT_EQ(cleanText("déjà vu, straße", "#UPPER"), "DÉJÀ VU, STRASSE");
    // A name rather than a token: the engine resolves it.
    EXPECT_EQ(cleanText("quiet", "Upper Case"), "QUIET");
    // A cleaner the engine does not know leaves the text as it was.
    EXPECT_EQ(cleanText("  Stays   As Is ", "#NO-SUCH-CLEANER"), "  Stays   As Is ");
    EXPECT_EQ(cleanText("", "#UPPER"), "");
}

TEST_F(AgentEndToEnd, WithoutAnEngineTheRequestIsDroppedAndTheTextComesBack) {
    Subprocess* agent = session->startAgent();
    ASSERT_TRUE(agent);
    EXPECT_EQ(cleanText("left alone", "#UPPER"), "left alone");
    EXPECT_TRUE(session->appsWithIdentifier(AgentSession::kEngineID).empty());
    EXPECT_EQ(agent->stdoutText().find("Launching engine at "), std::string::npos);
}

TEST_F(AgentEndToEnd, CleansTheClipboardAndNamedPasteboardsInPlace) {
    ASSERT_TRUE(session->startWithEngine());
    ASSERT_EQ(session->ctl({"pasteboard", "copy"}, "  a   lot   of space  ").status, 0);
    ASSERT_EQ(session->ctl({"pasteboard", "copy", "-p", "Scratch"}, "quiet words").status, 0);

    EXPECT_TRUE(script({"clean clipboard", "--cleaner", "#SCRUB"}).empty());
    EXPECT_EQ(paste(), "a lot of space");
    EXPECT_EQ(paste({"-p", "Scratch"}), "quiet words");

    EXPECT_TRUE(script({"clean pasteboard", "Scratch", "--cleaner", "#UPPER"}).empty());
    EXPECT_EQ(paste({"-p", "Scratch"}), "QUIET WORDS");
    EXPECT_EQ(paste(), "a lot of space");

    // Without a name the clipboard is meant; without a cleaner nothing happens.
    script({"clean pasteboard", "--cleaner", "cc.shout"});
    EXPECT_EQ(paste(), "A LOT OF SPACE!");
    script({"clean clipboard"});
    script({"clean pasteboard", "Scratch"});
    EXPECT_EQ(paste(), "A LOT OF SPACE!");
    EXPECT_EQ(paste({"-p", "Scratch"}), "QUIET WORDS");
}

TEST_F(AgentEndToEnd, MakePlainPasteboardKeepsOnlyPlainText) {
    ASSERT_TRUE(session->startAgent());
    auto store = FilePasteboardStore::open();
    ASSERT_TRUE(store.ok()) << store.error().debugDescription();
    Pasteboard rich = Pasteboard::pasteboardWithName(*store, "Rich");
    rich.clearContents();
    ASSERT_TRUE(rich.setString("bold words"));
    ASSERT_TRUE(rich.setData("<b>bold</b> words", "public.html"));
    Pasteboard html = Pasteboard::pasteboardWithName(*store, "HtmlOnly");
    html.clearContents();
    ASSERT_TRUE(html.setData("<i>no plain text</i>", "public.html"));
    ASSERT_EQ(session->ctl({"pasteboard", "types", "-p", "Rich"}).out,
              "public.utf8-plain-text\npublic.html\n");

    script({"make plain pasteboard", "Rich"});
    EXPECT_EQ(session->ctl({"pasteboard", "types", "-p", "Rich"}).out, "public.utf8-plain-text\n");
    EXPECT_EQ(paste({"-p", "Rich"}), "bold words");

    const int64_t before = html.changeCount();
    script({"make plain pasteboard", "HtmlOnly"});
    EXPECT_EQ(session->ctl({"pasteboard", "types", "-p", "HtmlOnly"}).out, "public.html\n");
    EXPECT_EQ(paste({"-p", "HtmlOnly", "-t", "public.html"}), "<i>no plain text</i>");
    EXPECT_EQ(html.changeCount(), before);

    // Without a name: the clipboard.
    ASSERT_EQ(session->ctl({"pasteboard", "copy", "-t", "public.html"}, "<p>x</p>").status, 0);
    script({"make plain pasteboard"});
    EXPECT_EQ(session->ctl({"pasteboard", "types"}).out, "public.html\n");
    Pasteboard general = Pasteboard::generalPasteboard(*store);
    ASSERT_TRUE(general.setString("x"));
    script({"make plain pasteboard"});
    EXPECT_EQ(session->ctl({"pasteboard", "types"}).out, "public.utf8-plain-text\n");
}

TEST_F(AgentEndToEnd, GroupNamesAndItemsComeFromThePublishedLibrary) {
    ASSERT_TRUE(session->startWithEngine());
    // The spellings of the limit are the script command's unit tests' business.
    EXPECT_EQ(script({"group names"}), kAllGroups);
    EXPECT_EQ(script({"group names", "--limit", "built-in"}), kBuiltinGroups);
    EXPECT_EQ(script({"group names", "--limit", "user"}), Lines{"My Cleaners"});

    // Standard (the default) and Library end with the custom cleaners.
    EXPECT_EQ(script({"group items"}), kStandardNames);
    EXPECT_EQ(script({"group items", "--group", "##Standard", "--as-token", "yes"}),
              kStandardTokens);
    EXPECT_EQ(script({"group items", "--group", "Basic"}),
              (Lines{"Scrub Text", "Upper Case", "Lower Case"}));
    EXPECT_EQ(script({"group items", "--group", "My Cleaners", "--as-token", "yes"}),
              (Lines{"#UPPER", "cc.shout"}));
    EXPECT_EQ(script({"group items", "--group", "##Custom"}), (Lines{"Shout", "Squash"}));
    const Lines library = script({"group items", "--group", "##Library", "--as-token", "yes"});
    ASSERT_GE(library.size(), 3u);
    EXPECT_EQ(Lines(library.end() - 3, library.end()),
              (Lines{"#LABEL:Custom", "cc.shout", "cc.squash"}));

    EXPECT_TRUE(script({"group items", "--group", "No Such Group"}).empty());
}

TEST_F(AgentEndToEnd, NamesAndTokensTranslateAndUnknownValuesEcho) {
    ASSERT_TRUE(session->startWithEngine());
    EXPECT_EQ(script({"name to token", "Upper Case"}), Lines{"#UPPER"});
    EXPECT_EQ(script({"name to token", "Nobody's Cleaner"}), Lines{"Nobody's Cleaner"});
    EXPECT_EQ(script({"token to name", "#SCRUB"}), Lines{"Scrub Text"});
    EXPECT_EQ(script({"token to name", "#NOPE"}), Lines{"#NOPE"});
}

TEST_F(AgentEndToEnd, TextEncodingsAreListedAndValidated) {
    ASSERT_TRUE(session->startAgent());
    const Lines names = script({"text encoding list"});
    ASSERT_TRUE(contains(names, "Unicode (UTF-8)"));
    // Order and spellings are the encoding catalogue's unit tests' business.
    EXPECT_EQ(script({"is valid text encoding", "western (mac os roman)"}), Lines{"true"});
    EXPECT_EQ(script({"is valid text encoding", "Unicode"}), Lines{"false"});
}

TEST_F(AgentEndToEnd, Version8EngineServesLibraryAndCleansWithPL8Connect) {
    ASSERT_EQ(session->defaultsWrite("PL8Connect", {"-bool", "YES"}), 0);
    Subprocess* agent = session->startWithEngine();
    ASSERT_TRUE(agent);
    // Only the version-8 list counts now, and there is none yet.
    EXPECT_TRUE(script({"group names"}).empty());

    ASSERT_TRUE(session->start({AgentSession::engineExecutable().string(), "--v8"},
                               AgentSession::kEngine8ID));
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "notification: PLGroupsChangedNotification"));
    EXPECT_TRUE(AgentSession::waitFor([&] { return !script({"group names"}).empty(); }));
    EXPECT_TRUE(contains(script({"group names"}), "My Cleaners"));
    EXPECT_EQ(script({"name to token", "Upper Case"}), Lines{"#UPPER"});

    EXPECT_EQ(cleanText("version eight", "#UPPER"), "VERSION EIGHT");
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "purlane 8 send result = "));
    // The launch check still concerns the current engine.
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "Launching engine at "));
    EXPECT_EQ(session->appsWithIdentifier(AgentSession::kEngineID).size(), 1u);
}

TEST_F(AgentEndToEnd, LibraryChangeIsSeenByTheNextCommand) {
    Subprocess* agent = session->startWithEngine();
    ASSERT_TRUE(agent);
    ASSERT_FALSE(contains(script({"group names"}), "Added Later"));
    ASSERT_NO_FATAL_FAILURE(addUserGroup("Added Later", "#UPPER"));

    // The version-8 family's notifications are only noted without PL8Connect.
    for (const char* name : {"PLGroupsChangedNotification",
                             "com.halvik.PurlaneKit.SharedGroupsDataChangedNotification"}) {
        ASSERT_EQ(session->ctl({"notify", name}).status, 0);
        EXPECT_TRUE(AgentSession::waitForOutput(*agent, std::string("notification: ") + name));
        // Commands are handled after the notification was.
        EXPECT_FALSE(contains(script({"group names"}), "Added Later")) << name;
    }

    ASSERT_EQ(session->ctl({"notify", "com.purlane.groupsChanged"}).status, 0);
    EXPECT_TRUE(
        AgentSession::waitFor([&] { return contains(script({"group names"}), "Added Later"); }));
    EXPECT_EQ(script({"group names", "--limit", "user"}), (Lines{"My Cleaners", "Added Later"}));
    EXPECT_EQ(script({"group items", "--group", "Added Later"}), Lines{"Upper Case"});
}

TEST_F(AgentEndToEnd, StartingQuitsOlderAgentsAndTheRunningOneButNeverItself) {
    const fs::path older = olderAgentExecutable();
    ASSERT_FALSE(older.empty());
    Subprocess* old = session->start({older.string()}, "com.halvik.purlane8.agent");
    ASSERT_TRUE(old);

    Subprocess* first = session->startAgent();
    ASSERT_TRUE(first);
    EXPECT_TRUE(old->wait(AgentSession::kWait).has_value()) << "the older agent still runs";

    Subprocess* second = session->startAgent();
    ASSERT_TRUE(second);
    EXPECT_EQ(first->wait(AgentSession::kWait), 0) << "the first agent still runs";
    EXPECT_TRUE(second->running());
    EXPECT_EQ(session->appsWithIdentifier(AgentSession::kAgentID).size(), 1u);
    EXPECT_EQ(script({"name to token", "x"}), Lines{"x"});
    EXPECT_TRUE(second->running());
}

TEST_F(AgentEndToEnd, LeaveOtherAgentsKeepsThemRunning) {
    ASSERT_EQ(session->defaultsWrite("LeaveOtherAgents", {"-bool", "YES"}), 0);
    const fs::path older = olderAgentExecutable();
    Subprocess* old = session->start({older.string()}, "com.halvik.purlane8.agent");
    ASSERT_TRUE(old);

    ASSERT_EQ(session->defaultsWrite("NextLaunchAction", {"-string", "none"}), 0);
    Subprocess* first = session->startAgent();
    ASSERT_TRUE(first);
    ASSERT_TRUE(waitUntilNextLaunchActionConsumed());
    ASSERT_EQ(session->defaultsWrite("NextLaunchAction", {"-string", "none"}), 0);
    Subprocess* second = session->startAgent();
    ASSERT_TRUE(second);
    ASSERT_TRUE(waitUntilNextLaunchActionConsumed());

    // Other agents would be told to quit right after; give that the time it would take.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(old->running());
    EXPECT_TRUE(first->running());
    EXPECT_TRUE(second->running());
    EXPECT_EQ(session->appsWithIdentifier(AgentSession::kAgentID).size(), 2u);
}

TEST_F(AgentEndToEnd, NextLaunchActionIsUsedOnceAndRemoved) {
    ASSERT_EQ(session->defaultsWrite("NextLaunchAction", {"-string", "showPrefs"}), 0);
    Subprocess* agent = session->startAgent();
    ASSERT_TRUE(agent);
    EXPECT_TRUE(waitUntilNextLaunchActionConsumed());
    // The preferences window opened: it stored the pane it shows.
    EXPECT_TRUE(AgentSession::waitFor([&] {
        return session->defaultsRead("prefs.selected.identifier") ==
               std::optional<std::string>("general");
    }));

    agent->signal(SIGTERM);
    ASSERT_EQ(agent->wait(AgentSession::kWait), 0);
    ASSERT_EQ(
        session->ctl({"defaults", "delete", AgentSession::kAgentID, "prefs.selected.identifier"})
            .status,
        0);
    Subprocess* again = session->startAgent();
    ASSERT_TRUE(again);
    script({"group names"});  // answered once start-up is over
    EXPECT_EQ(session->defaultsRead("prefs.selected.identifier"), std::nullopt);
}

TEST_F(AgentEndToEnd, FirstStartRecordsTheVersionAndTrashesTheStaleServices) {
    const fs::path stale = session->userLibrary() / "Services/purlaneStandard.pldynamicservice";
    fs::create_directories(stale / "Contents");
    std::ofstream(stale / "Contents/Info.plist") << "<plist/>";
    const auto version = Bundle::open(AgentSession::agentBundle())->infoString("CFBundleVersion");
    ASSERT_TRUE(version);

    Subprocess* agent = session->startAgent();
    ASSERT_TRUE(agent);
    EXPECT_TRUE(
        AgentSession::waitFor([&] { return session->defaultsRead("LastVersionRun") == version; }));
    const fs::path trashed = session->dataHome() / "Trash/files/purlaneStandard.pldynamicservice";
    EXPECT_TRUE(AgentSession::waitFor([&] { return fs::exists(trashed / "Contents/Info.plist"); }));
    EXPECT_FALSE(fs::exists(stale));  // the info file's form is the shell tests' business

    // The same version again: the bundle the user installed meanwhile stays.
    agent->signal(SIGTERM);
    ASSERT_EQ(agent->wait(AgentSession::kWait), 0);
    fs::create_directories(stale);
    ASSERT_TRUE(session->startAgent());
    script({"group names"});  // answered once start-up is over
    EXPECT_TRUE(fs::exists(stale));
    EXPECT_EQ(session->defaultsRead("LastVersionRun"), version);
}

}  // namespace
