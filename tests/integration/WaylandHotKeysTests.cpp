// Global hot keys through the desktop's shortcut services, against stand-ins of the desktop
// portal and of KDE's service on a session bus of the test's own.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Log.h"
#include "platform/input/HotKeys.h"
#include "platform/input/VirtualKeyCodes.h"
#include "platform/linux/KGlobalAccelHotKeys.h"
#include "platform/linux/PortalGlobalShortcuts.h"
#include "tests/support/AgentSession.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"

using namespace platform;
using testsupport::spinUntil;

namespace {

constexpr uint32_t kSig = 0x504c686b;
constexpr uint32_t kCmdShift = CarbonModifier::kCmd | CarbonModifier::kShift;
constexpr uint32_t kCtrlOpt = CarbonModifier::kControl | CarbonModifier::kOption;
const QString kControl = QStringLiteral("/org/purlane/test");

void runOnMain(std::function<void()> task) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
}

struct Press {
    uint32_t signature, id;
    bool onMain;
    friend bool operator==(const Press&, const Press&) = default;
};

class ServiceMock : public ::testing::Test {
  protected:
    void start(const std::string& script, const char* service, const char* interface) {
        // A bus of this process's own: tests side by side each own the portal's name.
        ASSERT_TRUE(bus_.ready());
        testsupport::ensureQtApplication();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
        service_ = QString::fromLatin1(service);
        interface_ = QString::fromLatin1(interface);
        mock_ = std::make_unique<testsupport::Subprocess>(std::vector<std::string>{
            "/usr/bin/python3", std::string(PURLANE_TEST_DATA) + "/../support/" + script});
        ASSERT_EQ(mock_->readLine(20), std::optional<std::string>("ready")) << mock_->stderrText();
    }
    QList<QVariant> ask(const char* method, const QVariantList& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(service_, kControl, interface_,
                                                           QString::fromLatin1(method));
        call.setArguments(arguments);
        const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments();
    }
    void press(const QString& id) { ask("Press", {id}); }
    // The array of structures the stand-in answers `method` with.
    template <class... Fields>
    std::vector<std::tuple<Fields...>> rows(const char* method) {
        std::vector<std::tuple<Fields...>> out;
        const QDBusArgument list = ask(method).value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            std::tuple<Fields...> row;
            list.beginStructure();
            std::apply([&](auto&... field) { (list >> ... >> field); }, row);
            list.endStructure();
            out.push_back(row);
        }
        list.endArray();
        return out;
    }
    void handle(HotKeys& keys) {
        keys.setHandler([this](uint32_t signature, uint32_t id) {
            presses.push_back({signature, id, QThread::currentThread() == qApp->thread()});
        });
    }
    size_t logged(const QString& text) const {
        size_t n = 0;
        for (const auto& line : capture.sink.logged)
            n += line.find(text.toStdString()) != std::string::npos;
        return n;
    }

    ScopedLogCapture capture;
    std::vector<Press> presses;
    testsupport::AgentSession bus_;
    std::unique_ptr<testsupport::Subprocess> mock_;
    QString service_, interface_;
};

class PortalGlobalShortcutsTest : public ServiceMock {
  protected:
    void SetUp() override {
        start("mock_global_shortcuts.py", "org.freedesktop.portal.Desktop",
              "org.purlane.test.MockGlobalShortcuts");
        if (HasFatalFailure()) return;
        portal = PortalGlobalShortcuts::open(runOnMain);
        ASSERT_TRUE(portal);
        handle(*portal);
    }
    using Bound = std::vector<std::tuple<QString, QString>>;
    Bound bound() { return rows<QString, QString>("Bound"); }
    uint binds() { return ask("BindCount").value(0).toUInt(); }
    QString id(uint32_t n) {
        return QString::fromStdString(PortalGlobalShortcuts::shortcutId(kSig, n));
    }

    std::unique_ptr<PortalGlobalShortcuts> portal;
};

TEST_F(PortalGlobalShortcutsTest, BindsTheRegisteredSetInOneGoAndPressesReachTheHandlerOnMain) {
    EXPECT_EQ(portal->version(), 1u);
    HotKeys::Ref a = 0, space = 0;
    ASSERT_EQ(portal->registerHotKey(VirtualKey::kA, kCmdShift, kSig, 1, a), HotKeyStatus::kNoErr);
    ASSERT_EQ(portal->registerHotKey(VirtualKey::kSpace, kCtrlOpt, kSig, 2, space),
              HotKeyStatus::kNoErr);
    const Bound both = {{id(1), "SHIFT+LOGO+a"}, {id(2), "CTRL+ALT+space"}};
    ASSERT_TRUE(spinUntil([&] { return bound() == both; }));
    EXPECT_EQ(binds(), 1u);
    press(id(2));
    ASSERT_TRUE(spinUntil([&] { return !presses.empty(); }));
    EXPECT_EQ(presses, (std::vector<Press>{{kSig, 2, true}}));
    EXPECT_FALSE(portal->waitForRelease(std::chrono::milliseconds(1)));
    // A desktop that never says Deactivated holds up one wait only.
    EXPECT_TRUE(portal->waitForRelease(std::chrono::milliseconds(1)));
    press(id(2));
    ASSERT_TRUE(spinUntil([&] { return presses.size() == 2; }));
    // The release reaches the waiting main thread without it running its event loop.
    ask("Release", {id(2)});
    EXPECT_TRUE(portal->waitForRelease(std::chrono::seconds(20)));

    // Without it, the set is bound again and its presses are not ours any more.
    portal->unregisterHotKey(a);
    ASSERT_TRUE(spinUntil([&] { return bound().size() == 1; }));
    press(id(1));
    press(id(2));
    ASSERT_TRUE(spinUntil([&] { return presses.size() == 3; }));
    EXPECT_EQ(presses.back().id, 2u);
    EXPECT_EQ(portal->registerHotKey(VirtualKey::kCommand, 0, kSig, 3, a), HotKeyStatus::kParamErr);
}

TEST_F(PortalGlobalShortcutsTest, OtherKeysTheDesktopChoseAreLoggedOnce) {
    ask("ChooseKeys", {id(1), QStringLiteral("Ctrl+Alt+B")});
    HotKeys::Ref ref = 0;
    portal->registerHotKey(VirtualKey::kA, kCmdShift, kSig, 1, ref);
    ASSERT_TRUE(spinUntil([&] { return logged("chose other keys") == 1; }));
    EXPECT_EQ(logged(id(1)), 1u);

    // The same choice at the next bind says nothing, nor does the desktop's spelling of the asked
    // keys; the press after the bind marks that its answer was handled.
    ask("ChooseKeys", {id(2), QStringLiteral("Shift+Meta+C")});
    portal->registerHotKey(VirtualKey::kC, kCmdShift, kSig, 2, ref);
    ASSERT_TRUE(spinUntil([&] { return binds() == 2; }));
    press(id(2));
    ASSERT_TRUE(spinUntil([&] { return !presses.empty(); }));
    EXPECT_EQ(logged("chose other keys"), 1u);
}

TEST_F(PortalGlobalShortcutsTest, APortalBindingOncePerSessionGetsTheSetOnANewSession) {
    ask("BindOnce");
    HotKeys::Ref ref = 0;
    portal->registerHotKey(VirtualKey::kA, kCmdShift, kSig, 1, ref);
    ASSERT_TRUE(spinUntil([&] { return binds() == 1; }));
    portal->registerHotKey(VirtualKey::kC, kCmdShift, kSig, 2, ref);
    ASSERT_TRUE(spinUntil([&] { return binds() == 2; }));
    EXPECT_EQ(bound().size(), 2u);
    EXPECT_EQ(ask("OpenSessions").value(0).toUInt(), 1u);
    press(id(2));
    ASSERT_TRUE(spinUntil([&] { return presses.size() == 1 && presses[0].id == 2; }));
}

class KGlobalAccelHotKeysTest : public ServiceMock {
  protected:
    void SetUp() override {
        start("mock_kglobalaccel.py", "org.kde.kglobalaccel", "org.purlane.test.MockKGlobalAccel");
        if (HasFatalFailure()) return;
        accel = KGlobalAccelHotKeys::open(runOnMain, "purlanetest", "Purlane Test");
        ASSERT_TRUE(accel);
        handle(*accel);
    }
    using Shortcuts = std::vector<std::tuple<QString, QString, int>>;  // component, action, keys
    Shortcuts shortcuts() { return rows<QString, QString, int>("Shortcuts"); }
    QString id(uint32_t n) {
        return QString::fromStdString(KGlobalAccelHotKeys::actionId(kSig, n));
    }

    std::unique_ptr<KGlobalAccelHotKeys> accel;
};

TEST_F(KGlobalAccelHotKeysTest, SetsQtKeysPressesReachTheHandlerOnMainAndRefusalsFail) {
    HotKeys::Ref a = 0, space = 0;
    ASSERT_EQ(accel->registerHotKey(VirtualKey::kA, kCmdShift, kSig, 1, a), HotKeyStatus::kNoErr);
    ASSERT_EQ(accel->registerHotKey(VirtualKey::kSpace, kCtrlOpt, kSig, 2, space),
              HotKeyStatus::kNoErr);
    EXPECT_EQ(
        shortcuts(),
        (Shortcuts{{"purlanetest", id(1), (Qt::META | Qt::SHIFT | Qt::Key_A).toCombined()},
                   {"purlanetest", id(2), (Qt::CTRL | Qt::ALT | Qt::Key_Space).toCombined()}}));
    ask("Press", {QStringLiteral("purlanetest"), id(1)});
    ASSERT_TRUE(spinUntil([&] { return !presses.empty(); }));
    EXPECT_EQ(presses, (std::vector<Press>{{kSig, 1, true}}));
    accel->unregisterHotKey(a);
    ASSERT_TRUE(spinUntil([&] { return shortcuts().size() == 1; }));
    EXPECT_EQ(std::get<1>(shortcuts().front()), id(2));

    // No keys at all: refused. Other keys: taken, and said.
    ask("ChooseKeys", {id(3), 0});
    EXPECT_EQ(accel->registerHotKey(VirtualKey::kA, kCmdShift, kSig, 3, a),
              HotKeyStatus::kEventHotKeyExistsErr);
    ask("ChooseKeys", {id(4), (Qt::CTRL | Qt::Key_B).toCombined()});
    EXPECT_EQ(accel->registerHotKey(VirtualKey::kA, kCmdShift, kSig, 4, a), HotKeyStatus::kNoErr);
    ASSERT_TRUE(spinUntil([&] { return logged("chose other keys") == 1; }));
    EXPECT_EQ(logged(id(4)), 1u);
    EXPECT_EQ(shortcuts().size(), 2u);
}

}  // namespace
