// The Qt status item without a tray (off screen): its image, and what a press on the icon
// does, down to an action that removes the item while its own menu runs it.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/core/Log.h"
#include "platform/linux/QtStatusBar.h"
#include "platform/linux/QtStatusItem.h"
#include "tests/support/QtWidgetsApp.h"

namespace {

const std::filesystem::path kResources =
    std::filesystem::path(PURLANE_TEST_DATA).parent_path().parent_path() / "resources";

class QtStatusItemTest : public testing::Test {
  protected:
    std::unique_ptr<platform::StatusItem> makeItem() {
        return bar.statusItemWithLength(platform::StatusBar::kSquareLength);
    }

    // What the tray reports for a press; the item answers once the event loop runs.
    static void press(platform::StatusItem& item, QSystemTrayIcon::ActivationReason reason) {
        emit static_cast<platform::QtStatusItem&>(item).trayIcon().activated(reason);
        QCoreApplication::processEvents();
    }

    QApplication& application = testsupport::ensureQtWidgetsApplication();
    platform::ScopedLogCapture log;
    platform::QtStatusBar bar{[](const std::string& fileName) {
        const auto file = kResources / fileName;
        return std::filesystem::exists(file) ? std::optional(file) : std::nullopt;
    }};
};

TEST_F(QtStatusItemTest, ShownWithoutATrayItSaysSoOnceAndTakesItsImage) {
    auto first = makeItem();
    auto second = makeItem();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(log.sink.logged.size(), 1u);
    EXPECT_FALSE(first->buttonFrame());
    EXPECT_TRUE(static_cast<platform::QtStatusItem&>(*first).trayIcon().isVisible());

    EXPECT_TRUE(first->setImage("plmenu-icon-9"));
    EXPECT_TRUE(first->hasImage());
    const QIcon icon = static_cast<platform::QtStatusItem&>(*first).trayIcon().icon();
    EXPECT_EQ(icon.availableSizes().size(), 2);  // the image and its @2x form
    EXPECT_FALSE(first->setImage("no-such-image"));
    EXPECT_FALSE(first->hasImage());
}

TEST_F(QtStatusItemTest, APressRunsTheActionLaterOrOpensTheRebuiltMenu) {
    auto item = makeItem();
    int actions = 0, updates = 0;
    item->setAction([&] { ++actions; });
    press(*item, QSystemTrayIcon::Context);
    emit static_cast<platform::QtStatusItem&>(*item).trayIcon().activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(actions, 0);  // not from inside the tray's event
    QCoreApplication::processEvents();
    EXPECT_EQ(actions, 1);

    platform::Menu menu;
    item->setMenu(&menu, [&] {
        menu.removeAllItems();
        menu.addItem(platform::MenuItem("Opening " + std::to_string(++updates)));
    });
    // Rebuilt at each opening: the tray icon tests click it twice on a real tray.
    auto& qtItem = static_cast<platform::QtStatusItem&>(*item);
    press(*item, QSystemTrayIcon::Trigger);
    ASSERT_TRUE(qtItem.openMenu());
    ASSERT_EQ(qtItem.openMenu()->actions().size(), 1);
    EXPECT_EQ(qtItem.openMenu()->actions()[0]->text().toStdString(), "Opening 1");
    EXPECT_EQ(actions, 1);
    item->setMenu(nullptr, nullptr);
    EXPECT_FALSE(qtItem.openMenu());
}

TEST_F(QtStatusItemTest, AMenuItemMayRemoveTheStatusItem) {
    auto item = makeItem();
    platform::Menu menu;
    item->setMenu(&menu, [&] {
        menu.removeAllItems();
        platform::MenuItem hide("Hide", "hide:");
        hide.action = [&](platform::MenuItem&) { item.reset(); };
        menu.addItem(hide);
    });
    press(*item, QSystemTrayIcon::Trigger);
    QMenu* open = static_cast<platform::QtStatusItem&>(*item).openMenu();
    ASSERT_TRUE(open);
    open->actions()[0]->trigger();
    EXPECT_EQ(item, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
