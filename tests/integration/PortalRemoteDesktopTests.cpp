// Keys and the clipboard through the desktop portal's remote-desktop session, on a headless
// Mutter of the test's own with a stand-in portal that forwards to Mutter's own remote-desktop
// API. Keys and clipboard reaching an editor are tested with the agent in WaylandApplyTests.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <chrono>
#include <memory>
#include <mutex>

#include "platform/core/Log.h"
#include "platform/linux/PortalClipboard.h"
#include "platform/linux/PortalKeyEvents.h"
#include "platform/linux/PortalRemoteDesktop.h"
#include "platform/pasteboard/PasteboardTypes.h"
#include "tests/support/AgentSession.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/WaylandCompositor.h"

namespace {

using namespace std::chrono_literals;
using platform::PortalClipboard;
using platform::PortalKeyEvents;
using platform::PortalRemoteDesktop;
using Owner = platform::SystemClipboard::Owner;
using testsupport::AgentSession;
using testsupport::Subprocess;
using State = PortalRemoteDesktop::State;

constexpr auto kStart = 30s;

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

class PortalRemoteDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::ensureQtApplication();
        ASSERT_TRUE(session_.ready());
        compositor_ = std::make_unique<testsupport::WaylandCompositor>(
            testsupport::WaylandCompositor::Kind::Mutter);
        if (!compositor_->ready()) GTEST_SKIP() << compositor_->error();
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

    AgentSession session_;
    std::unique_ptr<testsupport::WaylandCompositor> compositor_;
    std::unique_ptr<Subprocess> portal_;
    TokenStore store_;
};

TEST_F(PortalRemoteDesktopTest, StartsWithOneDialogRestoresWithoutAndCountsOnlyConfirmedClaims) {
    auto first = store_.open();
    ASSERT_EQ(first->waitForStart(kStart), State::Started);
    EXPECT_TRUE(first->keyboardGranted());
    EXPECT_TRUE(first->clipboardEnabled());
    const auto firstToken = [&] {
        std::lock_guard lock(store_.mutex);
        return store_.token;
    }();
    ASSERT_TRUE(firstToken);
    auto second = store_.open();
    ASSERT_EQ(second->waitForStart(kStart), State::Started);
    EXPECT_EQ(dialogsShown(), 1u);
    {
        // The portal hands out a new token with each session; the old one is spent.
        std::lock_guard lock(store_.mutex);
        EXPECT_EQ(store_.saves, 2);
        EXPECT_NE(store_.token, firstToken);
    }

    // Our other session's offers are ours, and read like anybody's. More than a pipe holds:
    // the portal reads while the owner writes.
    PortalClipboard mine(*first), other(*second);
    const std::string shared(300000, 's');
    platform::PasteboardItem item;
    item.setString(shared, platform::PasteboardTypes::kString);
    ASSERT_TRUE(other.claim({item}));
    EXPECT_EQ(other.owner(), Owner::This);
    ASSERT_TRUE(AgentSession::waitFor([&] { return mine.owner() == Owner::Ours; }));
    const auto fetched = mine.fetch(nullptr);
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->stringForType(platform::PasteboardTypes::kString), shared);
    // A claim the desktop never confirms is not reported as done.
    control("Mute", {true});
    EXPECT_FALSE(other.claim({item}));

    // Access revoked: the session ends and nothing more is sent through it.
    control("CloseAll");
    PortalKeyEvents keys(*second, nullptr, {});
    EXPECT_TRUE(AgentSession::waitFor([&] { return second->state() == State::Closed; }));
    EXPECT_FALSE(keys.hasEventSource());
}

TEST_F(PortalRemoteDesktopTest, ARefusedOrMissingPortalSaysWhyAndSendsNothing) {
    const std::pair<unsigned, std::string> cases[] = {
        // response 0: no portal at all
        {1, "Start refused: the user cancelled the request"},
        {2, "Start refused by the portal (response 2)"},
        {0, "RemoteDesktop is not on the session bus"}};
    for (const auto& [response, why] : cases) {
        SCOPED_TRACE(why);
        if (response) {
            control("Refuse", {response});
        } else {
            portal_.reset();
            ASSERT_TRUE(AgentSession::waitFor([] {
                return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    "org.freedesktop.portal.Desktop");
            }));
        }
        platform::ScopedLogCapture capture;
        auto remote = store_.open();
        ASSERT_EQ(remote->waitForStart(kStart), response ? State::Refused : State::Unavailable);
        EXPECT_NE(::testing::PrintToString(capture.sink.logged).find(why), std::string::npos)
            << ::testing::PrintToString(capture.sink.logged);

        PortalKeyEvents keys(*remote, nullptr, {});
        EXPECT_FALSE(keys.hasEventSource());
        keys.post({4, true, 0});
        PortalClipboard clipboard(*remote);
        EXPECT_FALSE(clipboard.claim({}));
        EXPECT_FALSE(clipboard.watch([](Owner) {}));
        EXPECT_EQ(clipboard.owner(), Owner::None);
        std::lock_guard lock(store_.mutex);
        EXPECT_FALSE(store_.token);
    }
}

}  // namespace
