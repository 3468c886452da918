// The general pasteboard and the X11 CLIPBOARD as one clipboard, against xclip and purlanectl
// on the test's X display.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/X11PasteboardStore.h"
#include "platform/linux/x11/X11SelectionReader.h"
#include "platform/pasteboard/Pasteboard.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitFor.h"
#include "tests/support/XDesktop.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::FilePasteboardStore;
using platform::Pasteboard;
using platform::PasteboardStore;
using platform::PasteboardTypes;
using platform::X11PasteboardStore;
using Mode = X11PasteboardStore::Mode;
using testsupport::Subprocess;

const std::string kXclip = "/usr/bin/xclip";
const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

using testsupport::ScopedEnv;
using testsupport::waitFor;

std::string bigText(size_t size) {
    std::string text;
    text.reserve(size);
    for (size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + "\n";
    return text;
}

using Event = std::unique_ptr<xcb_generic_event_t, decltype(&free)>;

// The next event of `kind` (any when 0) on `x`; null once `stop` is set, or after 20 s without it.
Event nextEvent(const platform::X11Connection& x, uint8_t kind = 0,
                const std::atomic<bool>* stop = nullptr) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (stop ? !*stop : std::chrono::steady_clock::now() < end) {
        Event event(xcb_poll_for_event(x.get()), &free);
        if (event && (!kind || (event->response_type & 0x7f) == kind)) return event;
        if (!event) std::this_thread::sleep_for(5ms);
    }
    return {nullptr, &free};
}

// A connection of the test's own owning `selection` with a window of its own.
struct SelectionOwner {
    explicit SelectionOwner(const char* selection) : x(platform::X11Connection::open()) {
        if (!x) return;
        window = x->createWindow();
        this->selection = x->atom(selection);
        xcb_set_selection_owner(x->get(), window, this->selection, XCB_CURRENT_TIME);
        owned = x->selectionOwner(this->selection) == window;
    }
    // Tells the requestor its conversion is done.
    void notify(const xcb_selection_request_event_t& request) const {
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = request.property;
        xcb_send_event(x->get(), 0, request.requestor, 0, reinterpret_cast<const char*>(&notify));
        xcb_flush(x->get());
    }

    std::unique_ptr<platform::X11Connection> x;
    xcb_window_t window = XCB_NONE;
    xcb_atom_t selection = XCB_NONE;
    bool owned = false;
};

class X11ClipboardTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.ready()) << desktop.error();
        fs::create_directories(temp / "run");
        auto opened = FilePasteboardStore::open();
        ASSERT_TRUE(opened.ok());
        files = *opened;
    }

    std::shared_ptr<PasteboardStore> mirrored(Mode mode) {
        auto store = X11PasteboardStore::mirror(files, mode);
        EXPECT_NE(store, files) << "no clipboard on the display";
        return store;
    }
    Pasteboard written(const std::string& text) {
        Pasteboard pasteboard = Pasteboard::generalPasteboard(mirrored(Mode::Plain));
        pasteboard.clearContents();
        EXPECT_TRUE(pasteboard.setString(text));
        return pasteboard;
    }
    // A watching mirror made and ended once it has looked at the clipboard.
    void watchOnce() {
        auto watching = mirrored(Mode::Watching);
        auto* mirror = dynamic_cast<platform::MirroredPasteboardStore*>(watching.get());
        ASSERT_NE(mirror, nullptr);
        ASSERT_TRUE(waitFor([&] { return mirror->clipboard().waitForChanges(100ms); }));
    }
    int64_t storedCount() {
        return (*files->read(std::string(Pasteboard::kGeneralName)))->changeCount;
    }

    // `xclip -o` for a target; nothing when xclip fails.
    static std::optional<std::string> xclipOut(const std::string& target = "UTF8_STRING") {
        auto result = testsupport::run({kXclip, "-o", "-selection", "clipboard", "-t", target});
        if (result.status != 0) return std::nullopt;
        return result.out;
    }
    // xclip owning the clipboard with `text` until it loses it or the test ends.
    std::unique_ptr<Subprocess> xclipIn(const std::string& text, const std::string& target = {}) {
        const auto file = temp.write("in-" + std::to_string(++inputs), text);
        std::vector<std::string> argv{kXclip, "-quiet", "-i", "-selection", "clipboard"};
        if (!target.empty()) argv.insert(argv.end(), {"-t", target});
        argv.push_back(file.string());
        return std::make_unique<Subprocess>(argv);
    }

    // A display of the test's own: the CLIPBOARD is the display's, shared by every client.
    testsupport::XDesktop desktop;
    testsupport::TempDir temp;
    ScopedEnv home{"HOME", (temp / "home").string()};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", (temp / "run").string()};
    std::shared_ptr<FilePasteboardStore> files;
    int inputs = 0;
};

TEST_F(X11ClipboardTest, WrittenContentsAreServedUnderEveryTarget) {
    Pasteboard pasteboard = written("caf\xC3\xA9");
    ASSERT_TRUE(pasteboard.setData("<b>caf\xC3\xA9</b>", PasteboardTypes::kHTML));
    ASSERT_TRUE(pasteboard.setData(kPng, PasteboardTypes::kPNG));
    ASSERT_TRUE(pasteboard.setData("{\\rtf1 x}", "NSRTFPboardType"));

    const struct {
        std::string target, expected;
    } cases[] = {
        {"UTF8_STRING", "caf\xC3\xA9"},
        {"text/plain;charset=utf-8", "caf\xC3\xA9"},
        {"STRING", "caf\xE9"},
        {"TEXT", "caf\xC3\xA9"},
        {"text/html", "<b>caf\xC3\xA9</b>"},
        {"image/png", kPng},
        {"text/rtf", "{\\rtf1 x}"},
    };
    for (const auto& c : cases) EXPECT_EQ(xclipOut(c.target), c.expected) << c.target;

    const auto targets = xclipOut("TARGETS");
    ASSERT_TRUE(targets);
    for (const char* target : {"TARGETS", "TIMESTAMP", "MULTIPLE", "UTF8_STRING", "STRING",
                               "text/html", "image/png", "text/rtf"})
        EXPECT_NE(targets->find(std::string(target) + "\n"), std::string::npos) << target;
    EXPECT_FALSE(xclipOut("image/jpeg")) << "a type that was never written";
}

TEST_F(X11ClipboardTest, LargeTransfersGoIncrementallyBothWaysAndImportOnce) {
    const std::string big = bigText(3 << 20);
    Pasteboard pasteboard = written(big);
    EXPECT_EQ(xclipOut(), big);

    const int64_t before = pasteboard.changeCount();
    const std::string other = bigText(2 << 20) + "end";
    auto xclip = xclipIn(other);
    ASSERT_TRUE(
        waitFor([&] { return pasteboard.stringForType(PasteboardTypes::kString) == other; }));
    // A plain read imports only what changed, as one type.
    const int64_t imported = pasteboard.changeCount();
    EXPECT_EQ(imported, before + 1);
    EXPECT_EQ(pasteboard.types().size(), 1u);
    EXPECT_EQ(pasteboard.changeCount(), imported) << "reading again changes nothing";
}

TEST_F(X11ClipboardTest, WatcherImportsForeignCopiesOfEveryTypeWhileTheCallerSleeps) {
    auto store = mirrored(Mode::Watching);
    Pasteboard pasteboard = Pasteboard::generalPasteboard(store);
    ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() >= 0; }));
    const int64_t before = storedCount();

    auto xclip = xclipIn("copied elsewhere");
    // Nothing here reads the pasteboard: the count moves in the store on its own.
    ASSERT_TRUE(waitFor([&] { return storedCount() > before; }));
    EXPECT_EQ(pasteboard.stringForType(PasteboardTypes::kString), "copied elsewhere");
    EXPECT_EQ(pasteboard.changeCount(), before + 1);

    // The same text copied again is a new copy all the same.
    auto again = xclipIn("copied elsewhere");
    ASSERT_TRUE(waitFor([&] { return storedCount() > before + 1; }));

    // Its program ends: the stored contents keep the clipboard.
    xclip.reset();
    again.reset();
    ASSERT_TRUE(waitFor([] { return xclipOut() == "copied elsewhere"; }));

    // Other targets of a foreign owner become types.
    xclip = xclipIn(kPng, "image/png");
    ASSERT_TRUE(waitFor([&] { return pasteboard.dataForType(PasteboardTypes::kPNG) == kPng; }));
    xclip = xclipIn("<i>x</i>", "text/html");
    ASSERT_TRUE(
        waitFor([&] { return pasteboard.dataForType(PasteboardTypes::kHTML) == "<i>x</i>"; }));
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{std::string(PasteboardTypes::kHTML)});
}

TEST_F(X11ClipboardTest, AnOwnerThatNeverAnswersCostsABoundedWait) {
    SelectionOwner silent("CLIPBOARD");
    ASSERT_TRUE(silent.owned);

    Pasteboard plain = Pasteboard::generalPasteboard(mirrored(Mode::Plain));
    const int64_t before = plain.changeCount();  // returns: the owner is given up on
    EXPECT_EQ(plain.changeCount(), before);

    watchOnce();
    EXPECT_EQ(storedCount(), before);
}

// An owner of the test's own that answers TARGETS with the same target listed many times, then
// that target incrementally, a small piece for every piece read, for ever.
struct TricklingOwner : SelectionOwner {
    TricklingOwner() : SelectionOwner("CLIPBOARD") {
        if (owned) thread = std::thread([this] { serve(); });
    }
    ~TricklingOwner() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
    void serve() {
        xcb_connection_t* c = x->get();
        const auto atoms = x->atoms({"TARGETS", "UTF8_STRING", "INCR"});
        const xcb_atom_t targets = atoms[0], utf8 = atoms[1], incr = atoms[2];
        while (const auto event = nextEvent(*x, 0, &stop)) {
            const auto kind = event->response_type & 0x7f;
            if (kind == XCB_PROPERTY_NOTIFY) {
                const auto& change = *reinterpret_cast<xcb_property_notify_event_t*>(event.get());
                if (change.state != XCB_PROPERTY_DELETE) continue;
                const std::string piece(64, 'x');
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, change.window, change.atom, utf8, 8,
                                    piece.size(), piece.data());
                xcb_flush(c);
                continue;
            }
            if (kind != XCB_SELECTION_REQUEST) continue;
            const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event.get());
            if (request.target == targets) {
                const std::vector<xcb_atom_t> list(5000, utf8);
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    XCB_ATOM_ATOM, 32, list.size(), list.data());
            } else {
                const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &events);
                const uint32_t size = 1 << 20;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    incr, 32, 1, &size);
            }
            notify(request);
        }
    }

    std::atomic<bool> stop = false;
    std::thread thread;
};

TEST_F(X11ClipboardTest, AnOwnerThatTricklesForEverIsGivenUpOn) {
    std::optional<TricklingOwner> owner(std::in_place);
    ASSERT_TRUE(owner->owned);
    auto reader = platform::X11SelectionReader::open({}, 1000ms, 1000ms);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->fetch()) << "returns, and with no contents made of the pieces";

    // The watcher gives up the same way, so its store can end.
    const int64_t before = storedCount();
    watchOnce();
    EXPECT_EQ(storedCount(), before);

    // Its late pieces don't pass for the next owner's answers.
    owner.reset();
    auto xclip = xclipIn("after the trickle");
    ASSERT_TRUE(waitFor([] { return xclipOut() == "after the trickle"; }));
    const auto next = reader->fetch();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->stringForType(PasteboardTypes::kString), "after the trickle");
}

TEST_F(X11ClipboardTest, MultipleRequestsAreAnsweredOnlyWhenWellFormedAndSmall) {
    Pasteboard pasteboard = written("many at once");

    auto x = platform::X11Connection::open();
    ASSERT_TRUE(x);
    const xcb_window_t window = x->createWindow();
    const auto atoms =
        x->atoms({"CLIPBOARD", "MULTIPLE", "ATOM_PAIR", "UTF8_STRING", "_T_LIST", "_T_TEXT"});
    const xcb_atom_t pairType = atoms[2], utf8 = atoms[3], list = atoms[4], text = atoms[5];
    // The property named for the answer to MULTIPLE after the conversion; None when refused.
    const auto convert = [&](xcb_atom_t type, size_t pairs) -> std::optional<xcb_atom_t> {
        std::vector<xcb_atom_t> values;
        for (size_t i = 0; i < pairs; ++i) values.insert(values.end(), {utf8, text});
        xcb_change_property(x->get(), XCB_PROP_MODE_REPLACE, window, list, type, 32, values.size(),
                            values.data());
        xcb_convert_selection(x->get(), window, atoms[0], atoms[1], list, XCB_CURRENT_TIME);
        xcb_flush(x->get());
        const auto event = nextEvent(*x, XCB_SELECTION_NOTIFY);
        if (!event) return std::nullopt;
        return reinterpret_cast<xcb_selection_notify_event_t*>(event.get())->property;
    };
    const struct {
        const char* name;
        xcb_atom_t type;
        size_t pairs;
        bool answered;
    } cases[] = {
        {"one pair", pairType, 1, true},
        {"the most pairs", pairType, 256, true},
        {"too many pairs", pairType, 257, false},
        {"not ATOM_PAIR", XCB_ATOM_ATOM, 1, false},
    };
    for (const auto& c : cases) {
        const auto property = convert(c.type, c.pairs);
        ASSERT_TRUE(property) << c.name;
        EXPECT_EQ(*property, c.answered ? list : XCB_NONE) << c.name;
    }
    EXPECT_TRUE(x->hasProperty(window, text)) << "the pairs answered wrote their targets";
}

TEST_F(X11ClipboardTest, PurlanectlCopyOutlivesItsProcessWithTheWatcher) {
    auto store = mirrored(Mode::Watching);
    auto copy =
        testsupport::run({std::string(PURLANE_BUILD_DIR) + "/bin/purlanectl", "pasteboard", "copy"},
                         "copied by purlanectl");
    ASSERT_EQ(copy.status, 0) << copy.err;
    ASSERT_TRUE(waitFor([] { return xclipOut() == "copied by purlanectl"; }));
    EXPECT_EQ(Pasteboard::generalPasteboard(store).stringForType(PasteboardTypes::kString),
              "copied by purlanectl");

    // And purlanectl reads what another program copied.
    auto xclip = xclipIn("pasted by purlanectl");
    ASSERT_TRUE(waitFor([] { return xclipOut() == "pasted by purlanectl"; }));
    auto paste = testsupport::run(
        {std::string(PURLANE_BUILD_DIR) + "/bin/purlanectl", "pasteboard", "paste"});
    EXPECT_EQ(paste.out, "pasted by purlanectl");
}

TEST_F(X11ClipboardTest, AnOwnerThatEndsHandsItsContentsToTheClipboardManager) {
    // A clipboard manager of the test's own: it saves by reading the clipboard when asked.
    SelectionOwner manager("CLIPBOARD_MANAGER");
    ASSERT_TRUE(manager.owned);
    const xcb_atom_t saveTargets = manager.x->atom("SAVE_TARGETS");
    auto reader = platform::X11SelectionReader::open();
    std::optional<platform::PasteboardItem> saved;
    std::thread managing([&] {
        while (const auto event = nextEvent(*manager.x, XCB_SELECTION_REQUEST)) {
            const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event.get());
            if (request.target != saveTargets) continue;
            saved = reader->fetch();
            manager.notify(request);
            return;
        }
    });
    {
        Pasteboard pasteboard = written("kept by the manager");
        ASSERT_TRUE(pasteboard.setData("<p>kept</p>", PasteboardTypes::kHTML));
    }
    managing.join();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->stringForType(PasteboardTypes::kString), "kept by the manager");
    EXPECT_EQ(saved->dataForType(PasteboardTypes::kHTML), "<p>kept</p>");
}

TEST_F(X11ClipboardTest, WithoutADisplayTheStoreIsTheFileStore) {
    platform::X11Clipboard::Options options;
    options.display = "unix:/nonexistent/display";
    EXPECT_EQ(X11PasteboardStore::mirror(files, Mode::Watching, options), files);
    ScopedEnv noDisplay{"DISPLAY", ""};
    EXPECT_EQ(X11PasteboardStore::mirror(files, Mode::Plain), files);
}

}  // namespace
