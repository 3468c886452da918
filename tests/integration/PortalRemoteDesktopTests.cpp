// Synthetic keys and the clipboard through the desktop portal's remote-desktop session, on a
// headless Mutter of the test's own with a stand-in portal that forwards to Mutter's own
// remote-desktop API, and the Qt test editor as a native Wayland client.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/core/Log.h"
#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"
#include "platform/linux/PortalClipboard.h"
#include "platform/linux/PortalKeyEvents.h"
#include "platform/linux/PortalRemoteDesktop.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "tests/support/AgentSession.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/WaylandCompositor.h"

namespace {

using namespace std::chrono_literals;
using platform::KeyEvent;
using platform::ModifierFlags;
using platform::PortalClipboard;
using platform::PortalKeyEvents;
using platform::PortalRemoteDesktop;
using platform::SystemClipboard;
using testsupport::Subprocess;
using State = PortalRemoteDesktop::State;

constexpr auto kStart = 30s;
constexpr uint16_t kH = 4, kI = 34, k5 = 23, kDelete = 51;

// Where the agent keeps the restore token: its user defaults.
struct TokenStore {
    std::mutex mutex;
    std::optional<std::string> token;
    int saves = 0;

    std::unique_ptr<PortalRemoteDesktop> open() {
        return std::make_unique<PortalRemoteDesktop>(
            [this] {
                std::lock_guard lock(mutex);
                return token;
            },
            [this](const std::string& t) {
                std::lock_guard lock(mutex);
                token = t;
                ++saves;
            });
    }
};

void tap(platform::KeyEvents& keys, uint16_t code, uint64_t flags = 0) {
    keys.post(KeyEvent{code, true, flags});
    keys.post(KeyEvent{code, false, flags});
}

class PortalRemoteDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::ensureQtApplication();
        ASSERT_TRUE(session_.ready());
        compositor_ = std::make_unique<testsupport::WaylandCompositor>(
            testsupport::WaylandCompositor::Kind::Mutter);
        if (!compositor_->ready()) GTEST_SKIP() << compositor_->error();
    }

    void startPortal() {
        portal_ = std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/bin/python3", PURLANE_MOCK_PORTAL});
        ASSERT_EQ(portal_->readLine(15), "ready") << portal_->stderrText();
    }

    QDBusMessage control(const QString& method, const QVariantList& args = {}) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/purlane/test",
                                           "org.purlane.test.MockPortal", method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    }

    unsigned dialogsShown() { return control("DialogsShown").arguments().value(0).toUInt(); }

    // The Qt editor on the compositor, started with `text` all selected.
    std::unique_ptr<Subprocess> startEditor(const std::string& text) {
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        return std::make_unique<Subprocess>(std::vector<std::string>{PURLANE_TEXTWINDOW, text});
    }

    // Waits until the editor reports `text` as its whole text.
    static bool editorShows(Subprocess& editor, const std::string& text) {
        while (auto line = editor.readLine(AgentSession::kWait)) {
            if (*line == "text: " + text) return true;
        }
        return false;
    }

    // Deletes the editor's selected text, again until the window has the keyboard focus: it
    // takes it a moment after it appears, and keys before that go nowhere.
    static bool emptyEditor(platform::KeyEvents& keys, Subprocess& editor) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            tap(keys, kDelete);
            if (auto line = editor.readLine(1); line && *line == "text: ") return true;
        }
        return false;
    }

    using AgentSession = testsupport::AgentSession;
    AgentSession session_;
    std::unique_ptr<testsupport::WaylandCompositor> compositor_;
    std::unique_ptr<Subprocess> portal_;
};

TEST_F(PortalRemoteDesktopTest, StartsOnceWithADialogThenRestoresWithoutOne) {
    startPortal();
    TokenStore store;
    std::string firstToken;
    {
        auto remote = store.open();
        ASSERT_EQ(remote->waitForStart(kStart), State::Started);
        EXPECT_TRUE(remote->keyboardGranted());
        EXPECT_TRUE(remote->clipboardEnabled());
        EXPECT_EQ(dialogsShown(), 1u);
        std::lock_guard lock(store.mutex);
        ASSERT_TRUE(store.token);
        firstToken = *store.token;
    }
    auto again = store.open();
    ASSERT_EQ(again->waitForStart(kStart), State::Started);
    EXPECT_EQ(dialogsShown(), 1u);
    {
        // The portal hands out a new token with each session; the old one is spent.
        std::lock_guard lock(store.mutex);
        EXPECT_EQ(store.saves, 2);
        EXPECT_NE(store.token, firstToken);
    }

    // Access revoked: the session ends and nothing more is sent through it.
    control("CloseAll");
    PortalKeyEvents keys(*again, nullptr, {});
    EXPECT_TRUE(AgentSession::waitFor([&] { return again->state() == State::Closed; }));
    EXPECT_FALSE(keys.hasEventSource());
}

TEST_F(PortalRemoteDesktopTest, KeysReachTheFocusedEditorInItsLayout) {
    startPortal();
    TokenStore store;
    auto remote = store.open();
    ASSERT_EQ(remote->waitForStart(kStart), State::Started);
    auto layout = platform::XkbKeyboardLayout::fromNames({.layout = "us"});
    ASSERT_TRUE(layout);
    PortalKeyEvents keys(*remote, layout.get(), {});
    ASSERT_TRUE(keys.hasEventSource());
    auto editor = startEditor("x");
    ASSERT_TRUE(emptyEditor(keys, *editor)) << editor->stderrText();

    tap(keys, kH, ModifierFlags::shift);
    tap(keys, kI);
    tap(keys, platform::VirtualKey::kSpace);
    keys.postToPid(editor->pid(), KeyEvent{k5, true, ModifierFlags::shift});
    keys.postToPid(editor->pid(), KeyEvent{k5, false, ModifierFlags::shift});
    tap(keys, kI);
    EXPECT_TRUE(editorShows(*editor, "Hi %i")) << editor->stdoutText();
}

TEST_F(PortalRemoteDesktopTest, ClaimIsPastedAndACopyInTheEditorIsFetched) {
    startPortal();
    TokenStore store;
    auto remote = store.open();
    ASSERT_EQ(remote->waitForStart(kStart), State::Started);
    PortalKeyEvents keys(*remote, nullptr, {});
    PortalClipboard clipboard(*remote);
    std::mutex seenMutex;
    std::vector<SystemClipboard::Owner> seen;
    ASSERT_TRUE(clipboard.watch([&](SystemClipboard::Owner owner) {
        std::lock_guard lock(seenMutex);
        seen.push_back(owner);
    }));
    auto editor = startEditor("old");
    ASSERT_TRUE(emptyEditor(keys, *editor)) << editor->stderrText();

    platform::PasteboardItem item;
    item.setString("from the agent", platform::PasteboardTypes::kString);
    ASSERT_TRUE(clipboard.claim({item}));
    EXPECT_EQ(clipboard.owner(), SystemClipboard::Owner::This);
    tap(keys, platform::VirtualKey::kV, ModifierFlags::command);
    ASSERT_TRUE(editorShows(*editor, "from the agent")) << editor->stdoutText();

    tap(keys, kDelete, ModifierFlags::control);  // the last word goes
    ASSERT_TRUE(editorShows(*editor, "from the ")) << editor->stdoutText();
    tap(keys, platform::VirtualKey::kA, ModifierFlags::command);
    tap(keys, platform::VirtualKey::kC, ModifierFlags::command);
    ASSERT_TRUE(AgentSession::waitFor(
        [&] { return clipboard.owner() == SystemClipboard::Owner::Foreign; }));
    SystemClipboard::Generation from = 0;
    const auto fetched = clipboard.fetch(&from);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->stringForType(platform::PasteboardTypes::kString), "from the ");
    EXPECT_EQ(from, clipboard.generation());
    EXPECT_NE(from, 0u);

    ASSERT_TRUE(clipboard.waitForChanges(5s));
    std::lock_guard lock(seenMutex);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), SystemClipboard::Owner::Foreign);
}

TEST_F(PortalRemoteDesktopTest, OurOtherSessionsOffersAreOursAndOnlyConfirmedClaimsCount) {
    startPortal();
    TokenStore store;
    auto first = store.open();
    auto second = store.open();
    ASSERT_EQ(first->waitForStart(kStart), State::Started);
    ASSERT_EQ(second->waitForStart(kStart), State::Started);
    PortalClipboard mine(*first), other(*second);

    // More than a pipe holds: the portal reads while the owner writes.
    const std::string shared(300000, 's');
    platform::PasteboardItem item;
    item.setString(shared, platform::PasteboardTypes::kString);
    ASSERT_TRUE(other.claim({item}));
    ASSERT_TRUE(
        AgentSession::waitFor([&] { return mine.owner() == SystemClipboard::Owner::Ours; }));
    // Our offers can still be read like anybody's.
    const auto fetched = mine.fetch(nullptr);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->stringForType(platform::PasteboardTypes::kString), shared);

    ASSERT_TRUE(mine.claim({}));
    EXPECT_EQ(mine.owner(), SystemClipboard::Owner::This);
    EXPECT_TRUE(
        AgentSession::waitFor([&] { return other.owner() == SystemClipboard::Owner::Ours; }));
    // A claim the desktop never confirms is not reported as done.
    control("Mute", {true});
    EXPECT_FALSE(other.claim({item}));
}

TEST_F(PortalRemoteDesktopTest, ARefusedOrMissingPortalSaysWhyAndSendsNothing) {
    struct Case {
        unsigned response;  // 0: no portal at all
        State state;
        std::string logged;
    };
    for (const Case& c : {Case{1, State::Refused, "Start refused: the user cancelled the request"},
                          Case{2, State::Refused, "Start refused by the portal (response 2)"},
                          Case{0, State::Unavailable, "RemoteDesktop is not on the session bus"}}) {
        SCOPED_TRACE(c.logged);
        if (c.response) {
            if (!portal_) startPortal();
            control("Refuse", {c.response});
        } else {
            portal_.reset();
            ASSERT_TRUE(AgentSession::waitFor([] {
                return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    "org.freedesktop.portal.Desktop");
            }));
        }
        platform::ScopedLogCapture capture;
        TokenStore store;
        auto remote = store.open();
        ASSERT_EQ(remote->waitForStart(kStart), c.state);
        bool said = false;
        for (const auto& line : capture.sink.logged)
            said |= line.find(c.logged) != std::string::npos;
        EXPECT_TRUE(said) << ::testing::PrintToString(capture.sink.logged);

        PortalKeyEvents keys(*remote, nullptr, {});
        EXPECT_FALSE(keys.hasEventSource());
        tap(keys, kH);
        PortalClipboard clipboard(*remote);
        EXPECT_FALSE(clipboard.claim({}));
        EXPECT_FALSE(clipboard.watch([](SystemClipboard::Owner) {}));
        EXPECT_EQ(clipboard.owner(), SystemClipboard::Owner::None);
        std::lock_guard lock(store.mutex);
        EXPECT_FALSE(store.token);
    }
}

}  // namespace
