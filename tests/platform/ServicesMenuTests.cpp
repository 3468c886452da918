// The platform's Services menu on the sim: reading entries from applications and dynamic
// bundles, rescanning, and requests routed to the provider.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/FileWrapper.h"
#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/services/ServicesProvider.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimServicesMenu.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;
using Titles = std::vector<std::string>;
const std::string kEditor = "com.example.editor";
const std::string kShouter = "com.example.shouter";

PropertyList::Dictionary entry(const std::string& title, const std::string& message,
                               const std::string& port) {
    return {{"NSMenuItem", PropertyList::Dictionary{{"default", title}}},
            {"NSMessage", message},
            {"NSPortName", port},
            {"NSSendTypes", PropertyList::Array{"NSStringPboardType"}},
            {"NSReturnTypes", PropertyList::Array{"NSStringPboardType"}}};
}

PropertyList::Dictionary with(PropertyList::Dictionary d, const std::string& key, PropertyList v) {
    d.set(key, std::move(v));
    return d;
}

// Upper-cases the text for "shout", reports an error for "fail"; records what it was asked.
struct Shouter : ServicesProvider {
    std::vector<std::string> calls;
    bool performService(const std::string& message, Pasteboard& pasteboard,
                        const std::string& userData, std::string& error) override {
        calls.push_back(message + "|" + userData + "|" + pasteboard.name());
        if (message == "fail") error = "out of breath";
        if (message != "shout" && message != "fail") return false;
        auto text = pasteboard.stringForType(PasteboardTypes::kString).value_or("");
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        pasteboard.clearContents();
        pasteboard.setString(text);
        return true;
    }
};

struct ServicesMenuTest : ::testing::Test {
    testsupport::TempDir temp;
    SimWorld world;
    Shouter shouter;
    std::map<int, std::unique_ptr<SimServicesMenu>> menus;
    ScopedLogCapture logs;

    ServicesMenuTest() {
        world.apps().install({.bundleIdentifier = kShouter,
                              .path = "/Applications/Shouter.app",
                              .launch = [this](SimProcess& p, SimApplication&) {
                                  menuOf(p).setServicesProvider(&shouter);
                              }});
    }

    fs::path folder() const { return temp.path() / "Services"; }
    SimServicesMenu& menuOf(SimProcess& p) {
        auto& menu = menus[p.pid()];
        if (!menu) menu = std::make_unique<SimServicesMenu>(p, folder());
        return *menu;
    }
    void writeDynamic(const std::string& name, const PropertyList::Array& entries) {
        auto xml = PropertyListSerialization::write(
            PropertyList::Dictionary{{"NSServices", entries}}, PropertyListFormat::Xml);
        ASSERT_TRUE(xml.ok());
        temp.write("Services/" + name + "/info.plist", *xml);
    }
    static ServiceApplication shouterApp(PropertyList services = {}) {
        return {kShouter, {"Shouter"}, std::move(services), "/Applications/Shouter.app"};
    }
    static Titles titles(const std::vector<ServiceEntry>& entries) {
        Titles out;
        for (const auto& e : entries)
            out.push_back(e.menuTitle + " @" + e.providerBundleIdentifier);
        return out;
    }

    SimProcess& editor = world.launch(kEditor);
    SimServicesMenu& menu = menuOf(editor);
    Pasteboard board = Pasteboard::pasteboardWithName(world.sharedPasteboardStore(), "svc-1");
};

TEST_F(ServicesMenuTest, EntriesAreReadWithTheirKeysAndMalformedOnesLeftOut) {
    const PropertyList::Array list = {
        with(with(entry("Full", "shout", "Shouter"), "NSUserData", "#UPPER"), "NSTimeout", "5000"),
        with(entry("Legacy types", "shout", "Shouter"), "NSSendTypes",
             PropertyList::Array{"NSRTFPboardType", "public.utf8-plain-text"}),
        entry("", "shout", "Shouter"),                                 // no title
        with(entry("No port", "shout", "x"), "NSPortName", 7),         // port not text
        with(entry("Odd data", "shout", "Shouter"), "NSUserData", 1),  // data not text
        with(entry("Odd types", "shout", "Shouter"), "NSSendTypes", "NSStringPboardType"),
        PropertyList("not a dictionary"),
    };
    std::vector<std::string> problems;
    const auto entries = ServiceEntry::listFrom(list, &problems);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].menuTitle, "Full");
    EXPECT_EQ(entries[0].message, "shout");
    EXPECT_EQ(entries[0].portName, "Shouter");
    EXPECT_EQ(entries[0].userData, std::optional<std::string>("#UPPER"));
    EXPECT_EQ(entries[0].sendTypes, Titles{"public.utf8-plain-text"});
    EXPECT_EQ(entries[0].timeout, std::optional<double>(5.0));
    EXPECT_EQ(entries[1].userData, std::nullopt);
    EXPECT_EQ(entries[1].timeout, std::nullopt);
    EXPECT_EQ(entries[1].sendTypes, (Titles{"public.rtf", "public.utf8-plain-text"}));
    EXPECT_EQ(problems.size(), 5u);
}

TEST_F(ServicesMenuTest, ApplicationsComeFirstThenDynamicBundlesByNameWithProvidersByPort) {
    menu.addApplication(shouterApp(PropertyList::Array{entry("Shout", "shout", "ShoutPort")}));
    writeDynamic("b.pldynamicservice", {entry("By entry port", "shout", "ShoutPort")});
    writeDynamic("a.pldynamicservice",
                 {entry("By app name", "shout", "Shouter"), entry("Nobody's", "shout", "Nobody")});
    writeDynamic(".c.pldynamicservice-x1", {entry("Half written", "shout", "Shouter")});
    writeDynamic("d.service", {entry("Other kind", "shout", "Shouter")});
    temp.write("Services/e.pldynamicservice/info.plist", "<plist>broken");

    EXPECT_EQ(titles(menu.entries()), (Titles{"Shout @" + kShouter, "By app name @" + kShouter,
                                              "Nobody's @", "By entry port @" + kShouter}));
    EXPECT_EQ(logs.sink.logged.size(), 1u);  // the broken bundle
}

TEST_F(ServicesMenuTest, EntriesStayAsReadUntilTheServicesAreUpdated) {
    menu.addApplication(shouterApp());
    EXPECT_TRUE(menu.entries().empty());
    writeDynamic("a.pldynamicservice", {entry("Shout", "shout", "Shouter")});
    EXPECT_TRUE(menu.entries().empty());
    menu.updateDynamicServices();
    EXPECT_EQ(titles(menu.entries()), Titles{"Shout @" + kShouter});
    fs::remove_all(folder() / "a.pldynamicservice");
    menu.updateDynamicServices();
    EXPECT_TRUE(menu.entries().empty());
    EXPECT_EQ(menu.readings(), 3);
}

TEST_F(ServicesMenuTest, PerformingStartsTheProviderAndHandsItThePasteboard) {
    menu.addApplication(shouterApp());
    writeDynamic("a.pldynamicservice",
                 {with(entry("Shout", "shout", "Shouter"), "NSUserData", "loud")});
    board.clearContents();
    board.setString("hello");

    const auto shout = menu.entryWithTitle("Shout");
    ASSERT_TRUE(shout);
    const Status done = menu.performService(*shout, board);
    ASSERT_TRUE(done.ok()) << done.error().debugDescription();
    EXPECT_EQ(board.stringForType(PasteboardTypes::kString), "HELLO");
    EXPECT_EQ(shouter.calls, Titles{"shout|loud|svc-1"});
    ASSERT_NE(world.apps().firstRunning(kShouter), nullptr);
    // Started in the background, once: the second request goes to the running provider.
    EXPECT_EQ(world.apps().requests().at(0).options, LaunchOption::kWithoutActivation);
    ASSERT_TRUE(menu.performService(*shout, board).ok());
    EXPECT_EQ(world.apps().requests().size(), 1u);
}

TEST_F(ServicesMenuTest, FailedRequestsSayWhy) {
    menu.addApplication(shouterApp());
    world.apps().install({.bundleIdentifier = "com.example.mute", .path = "/Applications/M.app"});
    menu.addApplication({"com.example.mute", {"Mute"}, {}, {}});
    writeDynamic("a.pldynamicservice",
                 {entry("Nobody", "shout", "Nobody"), entry("Fail", "fail", "Shouter"),
                  entry("Whisper", "whisper", "Shouter"), entry("Mute", "shout", "Mute"),
                  with(entry("Images", "shout", "Shouter"), "NSSendTypes",
                       PropertyList::Array{"public.png"})});
    board.clearContents();
    board.setString("hello");
    const struct {
        std::string title;
        std::string why;
    } cases[] = {
        {"Nobody", "no application provides the port"},
        {"Fail", "out of breath"},
        {"Whisper", "the provider has no method whisper"},
        {"Mute", "does not answer Services requests"},
        {"Images", "none of the types it takes"},
    };
    for (const auto& c : cases) {
        const Status done = menu.performService(*menu.entryWithTitle(c.title), board);
        ASSERT_FALSE(done.ok()) << c.title;
        EXPECT_NE(done.error().localizedDescription.find(c.why), std::string::npos)
            << c.title << ": " << done.error().localizedDescription;
    }
}

TEST_F(ServicesMenuTest, AFolderWrapperIsSwappedInWholeAndLeavesNothingBehind) {
    auto bundle = [](const std::string& text) {
        FileWrapper dir = FileWrapper::directory();
        FileWrapper file = FileWrapper::regularFile(text);
        file.setPreferredFilename("info.plist");
        EXPECT_TRUE(dir.addFileWrapper(std::move(file)));
        return dir;
    };
    fs::create_directories(folder());
    const fs::path target = folder() / "x.pldynamicservice";
    ASSERT_TRUE(bundle("one").writeToPath(target, true).ok());
    temp.write("Services/x.pldynamicservice/stale", "old");
    ASSERT_TRUE(bundle("two").writeToPath(target, true).ok());
    EXPECT_EQ(testsupport::readFile(target / "info.plist"), "two");
    EXPECT_FALSE(fs::exists(target / "stale"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder()), fs::directory_iterator()), 1);

    EXPECT_FALSE(bundle("three").writeToPath(temp.path() / "missing/x", true).ok());
    FileWrapper bad = FileWrapper::regularFile("x");
    bad.setPreferredFilename("../escape");
    EXPECT_FALSE(FileWrapper::directory().addFileWrapper(bad));
}

}  // namespace
