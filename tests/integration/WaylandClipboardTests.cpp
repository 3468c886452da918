// The clipboard of a Wayland session through data-control, against wl-copy and wl-paste on a
// headless Sway of the test's own.

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/linux/wayland/WaylandClipboardTypes.h"
#include "platform/linux/wayland/WaylandDataControlClipboard.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
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

const std::string kWlCopy = "/usr/bin/wl-copy";
const std::string kWlPaste = "/usr/bin/wl-paste";
const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

// Polls a condition until it holds; the bound only keeps a broken build from hanging.
bool waitFor(const std::function<bool()>& condition, std::chrono::seconds bound = 20s) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string bigText(size_t size) {
    std::string text;
    text.reserve(size);
    for (size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

PasteboardItem itemWith(std::initializer_list<std::pair<std::string, std::string>> entries) {
    PasteboardItem item;
    for (const auto& [type, data] : entries) item.setData(data, type);
    return item;
}

// `wl-paste` of one type; nothing when it fails (nothing copied, no such type).
std::optional<std::string> paste(const std::string& mime) {
    auto result = testsupport::run({kWlPaste, "--no-newline", "--type", mime});
    if (result.status != 0) return std::nullopt;
    return result.out;
}

std::vector<std::string> pastedTypes() {
    std::vector<std::string> types;
    const auto listed = testsupport::run({kWlPaste, "--list-types"});
    size_t start = 0;
    for (size_t end; (end = listed.out.find('\n', start)) != std::string::npos; start = end + 1)
        types.push_back(listed.out.substr(start, end - start));
    return types;
}

// wl-copy owning the clipboard with `data` under `mime` until another copy or the test's end.
std::unique_ptr<Subprocess> copy(const std::string& data, const std::string& mime) {
    return std::make_unique<Subprocess>(
        std::vector<std::string>{kWlCopy, "--foreground", "--type", mime}, data);
}

// What a process and its children (wl-paste reads through a cat of its own) have read so far.
std::vector<pid_t> childrenOf(pid_t pid) {
    std::istringstream listed(testsupport::readFile("/proc/" + std::to_string(pid) + "/task/" +
                                                    std::to_string(pid) + "/children"));
    std::vector<pid_t> children;
    for (pid_t child; listed >> child;) children.push_back(child);
    return children;
}

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
        ASSERT_TRUE(sway.ready()) << sway.error();
        clipboard = Clipboard::open();
        ASSERT_NE(clipboard, nullptr) << sway.log();
    }

    WaylandCompositor sway{WaylandCompositor::Kind::Sway};
    std::unique_ptr<Clipboard> clipboard;
};

TEST_F(WaylandClipboardTest, ClaimedContentsAreServedUnderEveryTypeAndReadBackWhole) {
    // Debian's Sway has only wlroots' protocol; the standard one is preferred where present.
    EXPECT_EQ(clipboard->protocol(), Clipboard::Protocol::Wlr) << clipboard->protocolName();
    const PasteboardItem written = itemWith({{std::string(PasteboardTypes::kString), "caf\xC3\xA9"},
                                             {std::string(PasteboardTypes::kHTML), "<b>x</b>"},
                                             {std::string(PasteboardTypes::kPNG), kPng},
                                             {"com.example.custom", "own bytes"}});
    ASSERT_TRUE(clipboard->claim({written}));
    EXPECT_EQ(clipboard->owner(), Owner::This);

    const struct {
        std::string mime, expected;
    } cases[] = {
        {"text/plain;charset=utf-8", "caf\xC3\xA9"},
        {"text/plain", "caf\xC3\xA9"},
        {"UTF8_STRING", "caf\xC3\xA9"},
        {"STRING", "caf\xE9"},
        {"text/html", "<b>x</b>"},
        {"image/png", kPng},
        {"com.example.custom", "own bytes"},
    };
    for (const auto& c : cases) EXPECT_EQ(paste(c.mime), c.expected) << c.mime;
    const auto types = pastedTypes();
    for (const auto& c : cases)
        EXPECT_NE(std::find(types.begin(), types.end(), c.mime), types.end()) << c.mime;

    // Read back through the compositor: every type, the marker left out.
    platform::SystemClipboard::Generation from = 0;
    const auto fetched = clipboard->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(from, clipboard->generation());
    for (const auto& entry : written.entries)
        EXPECT_EQ(fetched->dataForType(entry.type), entry.data) << entry.type;
    EXPECT_EQ(fetched->entries.size(), written.entries.size());

    // Another clipboard of ours, here in the same process, sees its own kind of owner.
    auto other = Clipboard::open();
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->owner(), Owner::Ours);
}

TEST_F(WaylandClipboardTest, ForeignCopiesAreWatchedAndFetchedWithTheirTypes) {
    std::mutex mutex;
    std::vector<Owner> seen;
    const auto saw = [&](Owner owner) {
        std::lock_guard lock(mutex);
        return std::count(seen.begin(), seen.end(), owner);
    };
    ASSERT_TRUE(clipboard->watch([&](Owner owner) {
        std::lock_guard lock(mutex);
        seen.push_back(owner);
    }));
    ASSERT_TRUE(waitFor([&] { return saw(Owner::None) == 1; })) << "the start is a change";

    auto html = copy("<i>x</i>", "text/html");
    ASSERT_TRUE(waitFor([&] { return saw(Owner::Foreign) == 1; }));
    EXPECT_TRUE(clipboard->waitForChanges(5s));
    EXPECT_EQ(clipboard->owner(), Owner::Foreign);
    const auto first = clipboard->generation();
    platform::SystemClipboard::Generation from = 0;
    auto fetched = clipboard->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(from, first);
    EXPECT_EQ(fetched->dataForType(PasteboardTypes::kHTML), "<i>x</i>");

    // Text comes once, under the stored text type, whichever of its names the owner lists.
    auto text = copy("copied elsewhere", "text/plain");
    ASSERT_TRUE(waitFor([&] { return saw(Owner::Foreign) == 2; }));
    EXPECT_GT(clipboard->generation(), first);
    fetched = clipboard->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->types(), std::vector<std::string>{std::string(PasteboardTypes::kString)});
    EXPECT_EQ(fetched->stringForType(PasteboardTypes::kString), "copied elsewhere");

    ASSERT_EQ(testsupport::run({kWlCopy, "--clear"}).status, 0);
    ASSERT_TRUE(waitFor([&] { return saw(Owner::None) == 2; }));
    EXPECT_EQ(clipboard->generation(), 0u);
    EXPECT_FALSE(clipboard->fetch(&from));
    clipboard->stopWatching();
}

TEST_F(WaylandClipboardTest, OwnershipFollowsClaimsClearsAndOtherCopies) {
    auto watcher = Clipboard::open();
    ASSERT_NE(watcher, nullptr);
    ASSERT_EQ(clipboard->owner(), Owner::None);

    ASSERT_TRUE(clipboard->claim({itemWith({{"public.utf8-plain-text", "mine"}})}));
    EXPECT_EQ(clipboard->owner(), Owner::This);
    ASSERT_TRUE(waitFor([&] { return watcher->owner() == Owner::Ours; }));

    auto foreign = copy("theirs", "text/plain");
    ASSERT_TRUE(waitFor([&] { return clipboard->owner() == Owner::Foreign; }));
    EXPECT_EQ(paste("text/plain"), "theirs");

    ASSERT_TRUE(clipboard->claim({itemWith({{"public.utf8-plain-text", "mine again"}})}));
    EXPECT_EQ(clipboard->owner(), Owner::This);
    EXPECT_EQ(paste("text/plain"), "mine again");
    ASSERT_TRUE(waitFor([&] { return !foreign->running(); })) << "wl-copy ends when replaced";

    // An empty claim clears the clipboard, also when it is empty already.
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(clipboard->claim({})) << i;
        EXPECT_EQ(clipboard->owner(), Owner::None);
        EXPECT_EQ(clipboard->generation(), 0u);
        EXPECT_FALSE(paste("text/plain"));
    }

    // No clipboard manager takes over: contents owned at the end go with their owner.
    ASSERT_TRUE(clipboard->claim({itemWith({{"public.utf8-plain-text", "last"}})}));
    ASSERT_TRUE(waitFor([&] { return watcher->owner() == Owner::Ours; }));
    clipboard.reset();
    ASSERT_TRUE(waitFor([&] { return watcher->owner() == Owner::None; }));
}

TEST_F(WaylandClipboardTest, LargeDataGoesBothWaysAndAStalledReaderHoldsNothingUp) {
    // Patient with readers: the stalled one below is still being answered when it goes away.
    clipboard = Clipboard::open({.timeout = 60s});
    const std::string big = bigText(4 << 20);
    ASSERT_TRUE(clipboard->claim({itemWith({{"public.utf8-plain-text", big}})}));

    // A reader that stops reading: wl-paste writing to an output nobody reads, once it has
    // read what fits there.
    Subprocess stalled({kWlPaste, "--type", "text/plain"});
    ASSERT_TRUE(waitFor([&] { return bytesRead(stalled.pid()) > 64 * 1024; }));
    // Meanwhile other readers are served, in full.
    EXPECT_EQ(paste("text/plain"), big);
    EXPECT_EQ(paste("UTF8_STRING"), big);
    // The stalled reader goes away in the middle: its broken pipe ends only that answer.
    for (pid_t child : childrenOf(stalled.pid())) ::kill(child, SIGKILL);
    stalled.signal(SIGKILL);
    EXPECT_EQ(paste("text/plain"), big);

    const std::string other = bigText(3 << 20) + "end";
    auto foreign = copy(other, "text/plain;charset=utf-8");
    ASSERT_TRUE(waitFor([&] { return clipboard->owner() == Owner::Foreign; }));
    platform::SystemClipboard::Generation from = 0;
    const auto fetched = clipboard->fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->stringForType(PasteboardTypes::kString), other);
}

TEST(WaylandClipboardOpen, NothingWithoutADisplayOrDataControl) {
    const std::optional<std::string> was =
        std::getenv("WAYLAND_DISPLAY") ? std::optional<std::string>(std::getenv("WAYLAND_DISPLAY"))
                                       : std::nullopt;
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(Clipboard::open(), nullptr) << "no display";
    EXPECT_EQ(Clipboard::open({.display = "/nonexistent/wayland-9"}), nullptr);
    if (was) setenv("WAYLAND_DISPLAY", was->c_str(), 1);

    // Weston serves a clipboard only to the focused client: no data-control.
    WaylandCompositor weston(WaylandCompositor::Kind::Weston);
    ASSERT_TRUE(weston.ready()) << weston.error();
    EXPECT_EQ(Clipboard::open(), nullptr);
}

TEST(WaylandClipboardGone, AClaimAfterTheCompositorEndedFailsWithoutWaitingLong) {
    auto sway = std::make_unique<WaylandCompositor>(WaylandCompositor::Kind::Sway);
    ASSERT_TRUE(sway->ready()) << sway->error();
    auto clipboard = Clipboard::open();
    ASSERT_NE(clipboard, nullptr);
    std::atomic<Owner> last = Owner::Foreign;
    ASSERT_TRUE(clipboard->watch([&](Owner owner) { last = owner; }));
    ASSERT_TRUE(clipboard->claim({itemWith({{"public.utf8-plain-text", "x"}})}));
    ASSERT_TRUE(waitFor([&] { return last == Owner::This; }));

    sway.reset();
    ASSERT_TRUE(waitFor([&] { return clipboard->owner() == Owner::None; }));
    EXPECT_FALSE(clipboard->claim({itemWith({{"public.utf8-plain-text", "y"}})}));
    EXPECT_FALSE(clipboard->claim({}));
    EXPECT_FALSE(clipboard->fetch(nullptr));
    EXPECT_TRUE(waitFor([&] { return last == Owner::None; })) << "the end is a change too";
}

TEST(WaylandClipboardTypes, IncomingNamesAndData) {
    const struct {
        std::string mime;
        std::optional<std::string> type;
    } names[] = {
        {"text/plain;charset=UTF-8", std::string(PasteboardTypes::kString)},
        {"text/plain; charset=utf-8", std::string(PasteboardTypes::kString)},
        {"TEXT", std::string(PasteboardTypes::kString)},
        {"text/plain;charset=iso-8859-1", std::nullopt},
        {"SAVE_TARGETS", std::nullopt},
        {WaylandClipboardTypes::ownerMarker(1, 2), std::nullopt},
        {"application/rtf", std::string(PasteboardTypes::kRTF)},
        {"chromium/x-web-custom-data", "chromium/x-web-custom-data"},
    };
    for (const auto& n : names) EXPECT_EQ(WaylandClipboardTypes::typeForMimeType(n.mime), n.type);

    EXPECT_EQ(WaylandClipboardTypes::dataFromMimeType("text/uri-list", "# c\r\nfile:///a\r\n"),
              "file:///a");
    EXPECT_EQ(WaylandClipboardTypes::dataFromMimeType("UTF8_STRING", "\xFF"), std::nullopt);
    EXPECT_EQ(WaylandClipboardTypes::dataFromMimeType("STRING", "caf\xE9"), "caf\xC3\xA9");
    const auto marker =
        WaylandClipboardTypes::parseOwnerMarker(WaylandClipboardTypes::ownerMarker(4321, 7));
    ASSERT_TRUE(marker);
    EXPECT_EQ(marker->pid, 4321);
    EXPECT_EQ(marker->source, 7u);
}

}  // namespace
