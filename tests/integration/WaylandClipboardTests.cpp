// The clipboard of a Wayland session through data-control, against wl-copy and wl-paste on a
// headless Sway of the test's own.

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/linux/wayland/WaylandClipboardTypes.h"
#include "platform/linux/wayland/WaylandDataControlClipboard.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitFor.h"
#include "tests/support/WaylandCompositor.h"

namespace {

using namespace std::chrono_literals;
using platform::PasteboardItem;
using platform::PasteboardTypes;
using platform::WaylandClipboardTypes;
using Clipboard = platform::WaylandDataControlClipboard;
using Owner = Clipboard::Owner;
using testsupport::Subprocess;
using testsupport::WaylandCompositor;

const std::string kWlCopy = "/usr/bin/wl-copy", kWlPaste = "/usr/bin/wl-paste";
const std::string kText(PasteboardTypes::kString);
const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

using testsupport::waitFor;

std::string bigText(size_t size) {
    std::string text;
    for (size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

PasteboardItem itemWith(std::initializer_list<std::pair<std::string, std::string>> entries) {
    PasteboardItem item;
    for (const auto& [type, data] : entries) item.setData(data, type);
    return item;
}

// What `wl-paste` reads under one type; nothing when it fails.
std::optional<std::string> paste(const std::string& mime) {
    auto result = testsupport::run({kWlPaste, "--no-newline", "--type", mime});
    return result.status == 0 ? std::optional(result.out) : std::nullopt;
}

// wl-copy owning the clipboard until another copy or the test's end.
std::unique_ptr<Subprocess> copy(const std::string& data, const std::string& mime) {
    return std::make_unique<Subprocess>(
        std::vector<std::string>{kWlCopy, "--foreground", "--type", mime}, data);
}

std::vector<pid_t> childrenOf(pid_t pid) {
    const auto task = std::to_string(pid);
    std::istringstream listed(
        testsupport::readFile("/proc/" + task + "/task/" + task + "/children"));
    std::vector<pid_t> children;
    for (pid_t child; listed >> child;) children.push_back(child);
    return children;
}

// What a process and its children (wl-paste reads through a cat of its own) have read so far.
size_t bytesRead(pid_t pid) {
    const std::string io = testsupport::readFile("/proc/" + std::to_string(pid) + "/io");
    const size_t at = io.find("rchar: ");
    size_t total = at == std::string::npos ? 0 : std::stoull(io.substr(at + 7));
    for (pid_t child : childrenOf(pid)) total += bytesRead(child);
    return total;
}

class WaylandClipboardTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sway->ready()) << sway->error();
        clipboard = Clipboard::open();
        ASSERT_NE(clipboard, nullptr) << sway->log();
    }

    std::unique_ptr<WaylandCompositor> sway =
        std::make_unique<WaylandCompositor>(WaylandCompositor::Kind::Sway);
    std::unique_ptr<Clipboard> clipboard;
};

TEST_F(WaylandClipboardTest, ClaimedContentsAreServedUnderEveryTypeAndReadBackWhole) {
    // Debian's Sway has only wlroots' protocol; the standard one is preferred where present.
    EXPECT_EQ(clipboard->protocol(), Clipboard::Protocol::Wlr) << clipboard->protocolName();
    const PasteboardItem written = itemWith({{kText, "caf\xC3\xA9"},
                                             {std::string(PasteboardTypes::kHTML), "<b>x</b>"},
                                             {std::string(PasteboardTypes::kPNG), kPng},
                                             {"com.example.custom", "own bytes"}});
    ASSERT_TRUE(clipboard->claim({written}));
    EXPECT_EQ(clipboard->owner(), Owner::This);

    const std::string listed = "\n" + testsupport::run({kWlPaste, "--list-types"}).out;
    const std::pair<std::string, std::string> served[] = {
        {"text/plain;charset=utf-8", "caf\xC3\xA9"},
        {"text/plain", "caf\xC3\xA9"},
        {"UTF8_STRING", "caf\xC3\xA9"},
        {"STRING", "caf\xE9"},
        {"text/html", "<b>x</b>"},
        {"image/png", kPng},
        {"com.example.custom", "own bytes"},
    };
    for (const auto& [mime, expected] : served) {
        EXPECT_EQ(paste(mime), expected) << mime;
        EXPECT_NE(listed.find("\n" + mime + "\n"), std::string::npos) << mime;
    }

    // Read back through the compositor: every type, the owner marker left out.
    platform::SystemClipboard::Generation from = 0;
    const auto fetched = clipboard->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(from, clipboard->generation());
    EXPECT_EQ(fetched->entries.size(), written.entries.size());
    for (const auto& entry : written.entries)
        EXPECT_EQ(fetched->dataForType(entry.type), entry.data) << entry.type;
}

TEST_F(WaylandClipboardTest, ForeignCopiesAreWatchedAndFetchedAndOwnershipFollowsClaims) {
    auto watcher = Clipboard::open();
    ASSERT_NE(watcher, nullptr);
    std::atomic<int> foreignSeen = 0, noneSeen = 0;
    ASSERT_TRUE(watcher->watch([&](Owner owner) {
        foreignSeen += owner == Owner::Foreign;
        noneSeen += owner == Owner::None;
    }));
    ASSERT_TRUE(waitFor([&] { return noneSeen == 1; })) << "the start is a change";

    auto html = copy("<i>x</i>", "text/html");
    ASSERT_TRUE(waitFor([&] { return foreignSeen == 1; }));
    EXPECT_TRUE(watcher->waitForChanges(5s));
    const auto first = watcher->generation();
    platform::SystemClipboard::Generation from = 0;
    auto fetched = watcher->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(from, first);
    EXPECT_EQ(fetched->dataForType(PasteboardTypes::kHTML), "<i>x</i>");

    // Text comes once, under the stored text type, whichever of its names the owner lists.
    auto foreign = copy("theirs", "text/plain");
    ASSERT_TRUE(waitFor([&] { return foreignSeen == 2; }));
    EXPECT_GT(watcher->generation(), first);
    fetched = watcher->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->types(), std::vector<std::string>{kText});
    EXPECT_EQ(fetched->stringForType(kText), "theirs");

    // Our claim replaces the foreign owner; another clipboard of ours sees it as ours.
    ASSERT_TRUE(clipboard->claim({itemWith({{kText, "mine"}})}));
    EXPECT_EQ(clipboard->owner(), Owner::This);
    EXPECT_EQ(paste("text/plain"), "mine");
    ASSERT_TRUE(waitFor([&] { return watcher->owner() == Owner::Ours; }));
    ASSERT_TRUE(waitFor([&] { return !foreign->running(); })) << "wl-copy ends when replaced";

    // An empty claim clears the clipboard, also when it is empty already.
    ASSERT_TRUE(clipboard->claim({}));
    EXPECT_EQ(clipboard->owner(), Owner::None);
    EXPECT_EQ(clipboard->generation(), 0u);
    EXPECT_FALSE(paste("text/plain"));
    EXPECT_TRUE(clipboard->claim({}));
    ASSERT_TRUE(waitFor([&] { return !watcher->fetch(&from); }));

    // No clipboard manager takes over: contents owned at the end go with their owner.
    ASSERT_TRUE(clipboard->claim({itemWith({{kText, "last"}})}));
    ASSERT_TRUE(waitFor([&] { return watcher->owner() == Owner::Ours; }));
    clipboard.reset();
    ASSERT_TRUE(waitFor([&] { return watcher->owner() == Owner::None; }));
    // Once the compositor is gone, claims fail at once.
    sway.reset();
    EXPECT_FALSE(watcher->claim({itemWith({{kText, "y"}})}));
    EXPECT_FALSE(watcher->fetch(nullptr));
}

TEST_F(WaylandClipboardTest, LargeDataGoesBothWaysAndAStalledReaderHoldsNothingUp) {
    // Patient with readers: the stalled one below is still being answered when it goes away.
    clipboard = Clipboard::open({.timeout = 60s});
    const std::string big = bigText(4 << 20);
    ASSERT_TRUE(clipboard->claim({itemWith({{kText, big}})}));

    // A reader that stops reading: wl-paste writing to an output nobody reads.
    Subprocess stalled({kWlPaste, "--type", "text/plain"});
    ASSERT_TRUE(waitFor([&] { return bytesRead(stalled.pid()) > 64 * 1024; }));
    EXPECT_EQ(paste("UTF8_STRING"), big) << "others are served meanwhile";
    // It goes away in the middle: its broken pipe ends only that answer.
    for (pid_t child : childrenOf(stalled.pid())) ::kill(child, SIGKILL);
    stalled.signal(SIGKILL);
    EXPECT_EQ(paste("text/plain"), big);

    const std::string other = bigText(3 << 20) + "end";
    auto foreign = copy(other, "text/plain;charset=utf-8");
    ASSERT_TRUE(waitFor([&] { return clipboard->owner() == Owner::Foreign; }));
    const auto fetched = clipboard->fetch(nullptr);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->stringForType(kText), other);
}

TEST(WaylandClipboardOpen, NothingWithoutADisplayOrDataControl) {
    EXPECT_EQ(Clipboard::open({.display = "/nonexistent/wayland-9"}), nullptr);
    // Weston serves a clipboard only to the focused client: no data-control.
    WaylandCompositor weston(WaylandCompositor::Kind::Weston);
    ASSERT_TRUE(weston.ready()) << weston.error();
    EXPECT_EQ(Clipboard::open(), nullptr);
}

// The rest of the names are the X11 clipboard's table.
TEST(WaylandClipboardTypes, OwnerMarkersAreNoTypeAndTextTypesMayBeWrittenWithASpace) {
    const auto marker = WaylandClipboardTypes::ownerMarker(4321, 7);
    EXPECT_EQ(WaylandClipboardTypes::typeForMimeType(marker), std::nullopt);
    const auto parsed = WaylandClipboardTypes::parseOwnerMarker(marker);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(std::pair(parsed->pid, parsed->source), std::pair(4321L, uint64_t{7}));
    EXPECT_EQ(WaylandClipboardTypes::typeForMimeType("text/plain; charset=utf-8"), kText);
}

}  // namespace
