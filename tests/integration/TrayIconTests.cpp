// The status item on real desktops: docked in an XEmbed tray (trayer) and clicked with
// xdotool, and registered as a StatusNotifierItem with a watcher the test plays on a private
// session bus. A helper program shows the item and prints what happens to it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/QtTestApp.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XDesktop.h"

using testsupport::Subprocess;
using testsupport::XDesktop;

namespace {

constexpr double kWait = 30;
constexpr int kScreenHeight = 800;  // XDesktop's screen
const std::string kTrayApp = std::string(PURLANE_BUILD_DIR) + "/bin/purlane_trayapp";
const std::string kResources =
    (std::filesystem::path(PURLANE_TEST_DATA).parent_path().parent_path() / "resources").string();

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    int centerX() const { return x + width / 2; }
    int centerY() const { return y + height / 2; }
};

Box parseBox(const std::string& text) {
    Box b;
    std::istringstream(text) >> b.x >> b.y >> b.width >> b.height;
    return b;
}

// The session's StatusNotifierWatcher, with a host, as a desktop shell offers it.
class FakeWatcher : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<method name=\"RegisterStatusNotifierItem\">"
            "<arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RegisterStatusNotifierHost\">"
            "<arg name=\"service\" type=\"s\" direction=\"in\"/></method>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "<signal name=\"StatusNotifierItemRegistered\"><arg type=\"s\"/></signal>"
            "<signal name=\"StatusNotifierHostRegistered\"/>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (message.interface() == "org.freedesktop.DBus.Properties") {
            const QVariantMap all = properties();
            if (member == "GetAll") {
                connection.send(message.createReply(QVariant::fromValue(all)));
            } else if (member == "Get" && message.arguments().size() == 2) {
                const QString name = message.arguments()[1].toString();
                connection.send(
                    all.contains(name)
                        ? message.createReply(QVariant::fromValue(QDBusVariant(all.value(name))))
                        : message.createErrorReply(QDBusError::UnknownProperty, name));
            } else {
                return false;
            }
            return true;
        }
        if (member == "RegisterStatusNotifierItem" && message.arguments().size() == 1) {
            items.push_back({message.arguments()[0].toString(), message.service()});
            connection.send(message.createReply());
            return true;
        }
        if (member == "RegisterStatusNotifierHost") {
            connection.send(message.createReply());
            return true;
        }
        return false;
    }

    QVariantMap properties() const {
        QStringList registered;
        for (const auto& item : items) registered << item.argument;
        return {{"RegisteredStatusNotifierItems", registered},
                {"IsStatusNotifierHostRegistered", true},
                {"ProtocolVersion", 0}};
    }

    struct Item {
        QString argument;  // a bus name, or an object path on the caller's connection
        QString sender;
    };
    std::vector<Item> items;
};

class TrayIcon : public testing::Test {
  protected:
    void SetUp() override {
        testsupport::ensureQtApplication();
        desktop = std::make_unique<XDesktop>();
        if (!desktop->ready()) GTEST_SKIP() << "no X desktop: " << desktop->error();
        // A bus of the test's own: a watcher here must not turn other tests' icons into D-Bus
        // items, and no watcher from elsewhere may take the XEmbed tests off the tray.
        bus = std::make_unique<Subprocess>(std::vector<std::string>{
            "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
        const auto address = bus->readLine(kWait);
        ASSERT_TRUE(address && !address->empty()) << bus->stderrText();
        busAddress = *address;
        busEnv.emplace("DBUS_SESSION_BUS_ADDRESS", busAddress);
    }

    void TearDown() override {
        app.reset();
        tray.reset();
        if (watcherConnection) {
            QDBusConnection::disconnectFromBus(watcherConnection->name());
            watcherConnection.reset();
        }
        busEnv.reset();
        bus.reset();
        desktop.reset();
    }

    void startTray() {
        tray = std::make_unique<Subprocess>(std::vector<std::string>{
            "/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
            "--height", "24", "--SetDockType", "true", "--SetPartialStrut", "true", "--transparent",
            "false", "--tint", "0xdddddd"});
    }

    void startApp(const std::string& mode) {
        app = std::make_unique<Subprocess>(
            std::vector<std::string>{kTrayApp, kResources, "plmenu-icon", mode});
    }

    // The rest of the app's next line starting with `prefix`; the lines before it are skipped,
    // the icon's frames among them noted. Qt events keep running meanwhile, for the watcher.
    std::optional<std::string> waitForLine(const std::string& prefix, double timeout = kWait) {
        std::optional<std::string> found;
        testsupport::spinUntil(
            [&] {
                while (auto line = app->readLine(0.02)) {
                    if (line->rfind("frame ", 0) == 0) noteFrame(line->substr(6));
                    if (line->rfind(prefix, 0) == 0) {
                        found = line->substr(prefix.size());
                        return true;
                    }
                }
                return !app->running();
            },
            timeout);
        return found;
    }

    // The icon's frame in X11 coordinates while it shows in the tray at the top right. Until the
    // tray takes it in, the icon's window sits at the screen's corner; the tray maps it a little
    // later and may still move it while it grows to hold it.
    void noteFrame(const std::string& text) {
        Box frame;
        int viewable = 0;
        std::istringstream(text) >> frame.x >> frame.y >> frame.width >> frame.height >> viewable;
        frame.y = kScreenHeight - frame.y - frame.height;
        const bool docked = viewable && frame.width > 0 && frame.x > 1280 - 200 &&
                            frame.x + frame.width <= 1280 && frame.y < 24;
        iconFrame = docked ? std::optional(frame) : std::nullopt;
    }

    std::string appOutput() { return app->stdoutText() + "\nstderr:\n" + app->stderrText(); }

    // The icon's frame once it is docked and shown; nothing when it never is.
    std::optional<Box> dockedFrame() {
        while (!iconFrame && waitForLine("frame ")) {
        }
        return iconFrame;
    }

    static void click(int x, int y) {
        testsupport::run(
            {"/usr/bin/xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    }

    // Clicks the docked icon until the app prints `line`. A tray that just started may still
    // hold the pointer while it places itself (seldom, on a loaded machine): the click then
    // never reaches the icon, and a user would click again.
    bool clickIconUntil(const std::string& line) {
        for (int attempt = 0; attempt < 3 && dockedFrame(); ++attempt) {
            click(iconFrame->centerX(), iconFrame->centerY());
            if (waitForLine(line, kWait / 3)) return true;
        }
        return false;
    }

    // The items of the menu that just opened, by title, after its "menu" line.
    std::vector<std::pair<std::string, Box>> menuItems(size_t count) {
        std::vector<std::pair<std::string, Box>> items;
        while (items.size() < count) {
            const auto line = waitForLine("item ");
            if (!line) break;
            const size_t bar = line->find('|');
            items.emplace_back(line->substr(0, bar), parseBox(line->substr(bar + 1)));
        }
        return items;
    }

    QDBusConnection& registerWatcher() {
        watcherConnection = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromStdString(busAddress), "tray-watcher"));
        EXPECT_TRUE(watcherConnection->isConnected());
        EXPECT_TRUE(watcherConnection->registerService("org.kde.StatusNotifierWatcher"));
        EXPECT_TRUE(watcherConnection->registerVirtualObject("/StatusNotifierWatcher", &watcher));
        return *watcherConnection;
    }

    std::unique_ptr<XDesktop> desktop;
    std::unique_ptr<Subprocess> bus, tray, app;
    std::string busAddress;
    std::optional<testsupport::ScopedEnv> busEnv;
    std::optional<Box> iconFrame;
    FakeWatcher watcher;
    std::unique_ptr<QDBusConnection> watcherConnection;
};

TEST_F(TrayIcon, InMenuModeAClickOpensTheRebuiltMenuBelowTheIcon) {
    startTray();
    startApp("menu");
    const auto frame = dockedFrame();
    ASSERT_TRUE(frame) << appOutput();

    for (int opening = 1; opening <= 2; ++opening) {
        SCOPED_TRACE(opening);
        ASSERT_TRUE(clickIconUntil("update " + std::to_string(opening))) << appOutput();
        const auto menuLine = waitForLine("menu ");
        ASSERT_TRUE(menuLine) << appOutput();
        const Box menu = parseBox(*menuLine);
        EXPECT_GE(menu.y, frame->y + frame->height);
        EXPECT_LE(menu.x + menu.width, 1280);

        const auto items = menuItems(6);
        ASSERT_EQ(items.size(), 6u) << appOutput();
        EXPECT_EQ(items[1].first, "Opening " + std::to_string(opening));
        EXPECT_EQ(items[4].first, "Red Cleaner");
        if (opening == 1) desktop->screenshot("TrayIcon-menu");
        click(items[4].second.centerX(), items[4].second.centerY());
        EXPECT_TRUE(waitForLine("chose Red Cleaner")) << appOutput();
    }
}

// Docking and a click in action mode; the icon shown first, as an agent started at login is.
TEST_F(TrayIcon, AnIconShownBeforeTheTrayStartsDocksInIt) {
    startApp("action");
    ASSERT_TRUE(waitForLine("ready")) << appOutput();
    ASSERT_TRUE(app->waitForStderr("No system tray is visible yet", kWait)) << appOutput();
    startTray();
    const auto frame = dockedFrame();
    ASSERT_TRUE(frame) << appOutput();
    EXPECT_TRUE(clickIconUntil("action")) << appOutput();
}

TEST_F(TrayIcon, RegistersWithTheStatusNotifierWatcherAndAnswersActivation) {
    QDBusConnection& connection = registerWatcher();
    for (const std::string mode : {"action", "menu"}) {
        SCOPED_TRACE(mode);
        watcher.items.clear();
        startApp(mode);
        ASSERT_TRUE(testsupport::spinUntil([&] { return !watcher.items.empty(); }, kWait))
            << appOutput();
        const auto item = watcher.items.front();
        // The item is either a bus name with its object at the usual path, or a path.
        const bool isPath = item.argument.startsWith('/');
        const QString service = isPath ? item.sender : item.argument;
        const QString path = isPath ? item.argument : QStringLiteral("/StatusNotifierItem");

        auto get =
            QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Properties", "Get");
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Status");
        const QDBusMessage status = connection.call(get);
        ASSERT_EQ(status.type(), QDBusMessage::ReplyMessage) << status.errorMessage().toStdString();
        EXPECT_EQ(status.arguments()[0].value<QDBusVariant>().variant().toString(), "Active");

        // Hosts send Activate with the pointer's position; a menu opens at the pointer.
        testsupport::run({"/usr/bin/xdotool", "mousemove", "400", "300"});
        auto activate =
            QDBusMessage::createMethodCall(service, path, "org.kde.StatusNotifierItem", "Activate");
        activate << 400 << 300;
        const QDBusMessage reply = connection.call(activate);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        if (mode == "action") {
            EXPECT_TRUE(waitForLine("action")) << appOutput();
        } else {
            ASSERT_TRUE(waitForLine("update 1")) << appOutput();
            const auto menuLine = waitForLine("menu ");
            ASSERT_TRUE(menuLine) << appOutput();
            const Box menu = parseBox(*menuLine);
            EXPECT_NEAR(menu.x, 400, 2);
            EXPECT_NEAR(menu.y, 300, 2);
            desktop->screenshot("TrayIcon-sni-menu");
        }
        EXPECT_EQ(app->stdoutText().find("frame "), std::string::npos);
        app.reset();
    }
}

// The pop-up menu of the group shortcut: at the pointer, which reads in screen coordinates.
TEST_F(TrayIcon, APopUpMenuOpensAtThePointerAndReturnsOnceAnItemRan) {
    testsupport::run({"/usr/bin/xdotool", "mousemove", "500", "300"});
    startApp("popup");
    EXPECT_EQ(waitForLine("mouse "), "500 500") << appOutput();
    const auto menuLine = waitForLine("menu ");
    ASSERT_TRUE(menuLine) << appOutput();
    const Box menu = parseBox(*menuLine);
    EXPECT_EQ(menu.x, 500);
    EXPECT_EQ(menu.y, 300);
    const auto items = menuItems(6);
    ASSERT_EQ(items.size(), 6u) << appOutput();
    desktop->screenshot("TrayIcon-popup");
    click(items[3].second.centerX(), items[3].second.centerY());
    EXPECT_TRUE(waitForLine("chose Basic Cleaner")) << appOutput();
    EXPECT_EQ(waitForLine("popped "), "true") << appOutput();
}

}  // namespace
