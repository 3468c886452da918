// What real Wayland sessions offer, as the probe and `purlanectl session` find it: headless
// Weston (nothing the agent uses), headless Sway, and a desktop portal of the test's own. The
// bus is the test's own, so no portal installed on the machine is started in its place.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/linux/SessionProbe.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaylandCompositor.h"

namespace {

using platform::SessionCapabilities;
using platform::SessionProbe;
using testsupport::WaylandCompositor;

const std::string kCtl = std::string(PURLANE_BUILD_DIR) + "/bin/purlanectl";
const std::string kAgent = "com.halvik.purlane.agent";
const char* const kUsed[] = {"zwlr_data_control_manager_v1", "zwp_virtual_keyboard_manager_v1",
                             "zwlr_foreign_toplevel_manager_v1"};

// A session bus with nothing activatable on it, made the process's session bus before Qt first
// connects; purlanectl inherits it.
const std::string& usePrivateBus() {
    static testsupport::TempDir dir;
    static std::unique_ptr<testsupport::Subprocess> daemon;
    static std::string address;
    if (!daemon) {
        const auto config = dir.write(
            "bus.conf", "<busconfig><type>session</type><listen>unix:dir=" + dir.path().string() +
                            "</listen><auth>EXTERNAL</auth>"
                            "<policy context=\"default\"><allow send_destination=\"*\" "
                            "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                            "</policy></busconfig>");
        daemon = std::make_unique<testsupport::Subprocess>(
            std::vector<std::string>{"/usr/bin/dbus-daemon", "--nofork", "--print-address=1",
                                     "--config-file=" + config.string()});
        address = daemon->readLine(30).value_or("");
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    testsupport::ensureQtApplication();
    return address;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A desktop portal serving the given interface versions (and the host registry when "Registry"
// is among them), from a thread of its own so blocking calls of this process reach it.
// `answers` false: it takes every call and never replies.
class FakePortal : public QDBusVirtualObject {
  public:
    FakePortal(std::map<QString, uint> versions, bool answers)
        : versions_(std::move(versions)), answers_(answers) {
        moveToThread(&thread_);
        thread_.start();
        bus_->registerVirtualObject(kPath, this);
        bus_->registerService(kService);
    }
    ~FakePortal() override {
        bus_->unregisterService(kService);
        bus_->unregisterObject(kPath);
        thread_.quit();
        thread_.wait();
        bus_.reset();
        QDBusConnection::disconnectFromBus(kName);
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        ++calls;
        if (!answers_) return true;
        if (message.member() == QLatin1String("Get")) {
            const auto found = versions_.find(
                message.arguments().value(0).toString().section(QLatin1Char('.'), -1));
            connection.send(
                found == versions_.end()
                    ? message.createErrorReply(QDBusError::UnknownInterface, {})
                    : message.createReply(QVariant::fromValue(QDBusVariant(found->second))));
        } else if (message.member() == QLatin1String("Register")) {
            std::lock_guard lock(mutex_);
            registered_ = message.arguments().value(0).toString().toStdString();
            connection.send(message.createReply());
        }
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    std::string registered() {
        std::lock_guard lock(mutex_);
        return registered_;
    }
    std::atomic<int> calls = 0;

  private:
    inline static const QString kName = "fake-portal", kPath = "/org/freedesktop/portal/desktop",
                                kService = "org.freedesktop.portal.Desktop";
    std::map<QString, uint> versions_;
    bool answers_;
    std::mutex mutex_;
    std::string registered_;
    QThread thread_;
    std::unique_ptr<QDBusConnection> bus_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QString::fromStdString(usePrivateBus()), kName));
};

TEST(WaylandSessionTests, westonOffersNothingTheAgentUsesUnlessAPortalRuns) {
    usePrivateBus();
    WaylandCompositor weston(WaylandCompositor::Kind::Weston);
    ASSERT_TRUE(weston.ready()) << weston.error();

    const SessionCapabilities found = SessionProbe::probe();
    EXPECT_EQ(found.kind, SessionCapabilities::Kind::Wayland);
    EXPECT_TRUE(found.globals.contains("wl_compositor"));  // the registry was read
    for (const char* name : kUsed) EXPECT_FALSE(found.globals.contains(name)) << name;
    EXPECT_TRUE(found.portals.empty());
    EXPECT_FALSE(found.swayIpc || found.kglobalaccel || found.kwinScripting);
    EXPECT_FALSE(SessionProbe::registerWithPortal(kAgent));
    auto result = testsupport::run({kCtl, "session"});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto printed = lines(result.out);
    ASSERT_EQ(printed.size(), 5u) << result.out;  // the routes, then what each cannot do
    EXPECT_TRUE(
        printed[0].ends_with("; hot keys: bound in the desktop's settings, keys: none, "
                             "clipboard: none, focus: focused window only"))
        << printed[0];

    FakePortal portal(
        {{"GlobalShortcuts", 1}, {"RemoteDesktop", 2}, {"Clipboard", 1}, {"Registry", 1}}, true);
    EXPECT_TRUE(SessionProbe::registerWithPortal(kAgent));
    EXPECT_EQ(portal.registered(), kAgent);
    EXPECT_EQ(SessionProbe::probe().portals,
              (std::map<std::string, uint32_t>{
                  {"GlobalShortcuts", 1}, {"RemoteDesktop", 2}, {"Clipboard", 1}}));
    result = testsupport::run({kCtl, "session"});
    for (const char* part :
         {"portal Clipboard v1, portal GlobalShortcuts v1, portal RemoteDesktop v2",
          "hot keys: GlobalShortcuts portal, keys: RemoteDesktop portal, "
          "clipboard: Clipboard portal"})
        EXPECT_NE(result.out.find(part), std::string::npos) << result.out;
}

TEST(WaylandSessionTests, aPortalThatNeverAnswersIsAskedOnceAndCountsAsAbsent) {
    FakePortal portal({{"GlobalShortcuts", 1}}, /*answers=*/false);
    EXPECT_TRUE(SessionProbe::portalVersions(std::chrono::milliseconds(300)).empty());
    EXPECT_EQ(portal.calls, 1);
    EXPECT_FALSE(SessionProbe::registerWithPortal(kAgent, std::chrono::milliseconds(300)));
}

TEST(WaylandSessionTests, swayOffersDataControlVirtualKeyboardToplevelsAndItsIpc) {
    usePrivateBus();
    WaylandCompositor sway(WaylandCompositor::Kind::Sway);
    ASSERT_TRUE(sway.ready()) << sway.error();
    const SessionCapabilities found = SessionProbe::probe();
    for (const char* name : kUsed) EXPECT_TRUE(found.globals.contains(name)) << name;
    EXPECT_TRUE(found.swayIpc);

    const auto text = testsupport::run({kCtl, "session"});
    const auto printed = lines(text.out);
    ASSERT_EQ(printed.size(), 2u) << text.out;  // only the hot keys need the user
    EXPECT_NE(printed[0].find("zwlr_data_control_manager_v1 v"), std::string::npos);
    EXPECT_NE(
        printed[0].find("keys: virtual keyboard, clipboard: wlr data-control, focus: Sway IPC"),
        std::string::npos)
        << printed[0];
    const auto json = testsupport::run({kCtl, "session", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto parsed = nlohmann::json::parse(json.out);
    EXPECT_EQ(parsed["session"], "wayland");
    EXPECT_EQ(parsed["swayIpc"], true);
    EXPECT_EQ(parsed["routes"]["keys"], "virtual keyboard");
    EXPECT_EQ(parsed["limitations"].size(), 1u);
}

// WAYLAND_DISPLAY as a name in the runtime folder or as a path; a compositor that is gone or
// does not answer leaves DISPLAY (XWayland's or a stale one) to decide.
TEST(WaylandSessionTests, theSessionKindComesFromACompositorThatAnswers) {
    WaylandCompositor weston(WaylandCompositor::Kind::Weston);
    ASSERT_TRUE(weston.ready()) << weston.error();
    const std::filesystem::path socket = weston.display();
    testsupport::TempDir dir;
    // Listens but never accepts: the connection succeeds, the registry never comes.
    const auto silent = (dir / "silent").string();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    silent.copy(addr.sun_path, silent.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    using Kind = SessionCapabilities::Kind;
    const std::string name = socket.filename(), runtime = socket.parent_path(), gone = dir / "gone";
    const std::pair<SessionProbe::Environment, Kind> cases[] = {
        // WAYLAND_DISPLAY, DISPLAY, XDG_RUNTIME_DIR
        {{socket, ":7"}, Kind::Wayland}, {{name, "", runtime}, Kind::Wayland},
        {{name, ":7"}, Kind::X11},  // a name needs the runtime folder
        {{gone, ":7"}, Kind::X11},       {{gone, ""}, Kind::None},
        {{silent, ":7"}, Kind::X11},     {{"", ":7", runtime}, Kind::X11},
    };
    for (const auto& [env, kind] : cases) {
        const auto globals = SessionProbe::waylandGlobals(env, std::chrono::milliseconds(500));
        EXPECT_EQ(globals.has_value(), kind == Kind::Wayland) << env.waylandDisplay;
        if (kind != Kind::Wayland)  // the rest of a Wayland probe needs a bus
            EXPECT_EQ(SessionProbe::probe(env).kind, kind) << env.waylandDisplay;
    }
    ::close(listener);
}

TEST(WaylandSessionTests, gnomeCustomKeybindingsAreFoundWhereverTheSchemaIsInstalled) {
    testsupport::TempDir dir;
    const auto schema = dir.write(
        "with/glib-2.0/schemas/org.gnome.settings-daemon.plugins.media-keys.gschema.xml", "<x/>");
    const std::string with = dir / "with", without = dir / "without";
    const std::pair<SessionProbe::Environment, bool> cases[] = {
        {{.xdgDataHome = without, .xdgDataDirs = without}, false},
        {{.xdgDataHome = without,
          .xdgDataDirs = without,
          .gsettingsSchemaDir = schema.parent_path()},
         true},
        {{.xdgDataHome = with, .xdgDataDirs = without}, true},
        {{.xdgDataHome = without, .xdgDataDirs = without + ":" + with}, true},
    };
    for (const auto& [env, found] : cases)
        EXPECT_EQ(SessionProbe::gnomeCustomKeybindingsInstalled(env), found)
            << env.gsettingsSchemaDir << " | " << env.xdgDataHome << " | " << env.xdgDataDirs;
}

}  // namespace
