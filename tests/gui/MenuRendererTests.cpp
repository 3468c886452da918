// The menu model rendered into Qt widget menus: what each item becomes, what picking it does,
// and the drawn menu written to build/screenshots/ for a look.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QWidgetAction>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/input/ModifierFlags.h"
#include "platform/linux/QtMenuRenderer.h"
#include "platform/ui/Menu.h"
#include "tests/support/QtWidgetsApp.h"

using platform::MenuItem;
using platform::ModifierFlags;

namespace {

// Pixels of `area` close to `colour`.
int pixelsNear(const QImage& image, const QRect& area, QColor colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                120)
                ++count;
        }
    }
    return count;
}

class MenuRendererTest : public testing::Test {
  protected:
    MenuRendererTest() {
        auto record = [this](MenuItem& sender) { performed.push_back(sender.title); };
        MenuItem search("search", "searchMenu:");
        search.viewKind = MenuItem::kSearchFieldView;
        search.action = record;
        model.addItem(search);
        model.addItem(MenuItem("Purlane 9 : Clean text in 'Editor'"));
        model.addItem(MenuItem::separatorItem());

        platform::Menu groups("subgroup");
        for (const char* name : {"Standard", "Basic"}) {
            MenuItem group(name, "changeGroup:");
            group.action = record;
            groups.addItem(group);
        }
        MenuItem groupsItem("Groups", "doNothing:");
        groupsItem.setSubmenu(groups);
        model.addItem(groupsItem);

        MenuItem label("Cleaners");
        model.addItem(label);
        MenuItem red("Red & Bold", "applyItem:");
        red.indentationLevel = 1;
        red.titleColor = platform::RgbColor{230, 20, 20};
        red.action = record;
        red.toolTip = "Makes it red";
        model.addItem(red);
        MenuItem plain("Plain", "applyItem:", "p");
        plain.indentationLevel = 1;
        plain.action = record;
        plain.state = MenuItem::State::on;
        model.addItem(plain);
        MenuItem off("Switched Off", "applyItem:");
        off.action = record;
        off.enabled = false;
        model.addItem(off);
        MenuItem hidden("Hidden", "applyItem:");
        hidden.action = record;
        hidden.hidden = true;
        model.addItem(hidden);
        model.addItem(MenuItem::separatorItem());
        MenuItem show("Show Purlane", "showPurlane:", "P");
        show.action = record;
        model.addItem(show);
    }

    QAction* action(const QMenu& menu, const QString& text) {
        for (QAction* a : menu.actions())
            if (a->text().trimmed() == text) return a;
        return nullptr;
    }

    QApplication& application = testsupport::ensureQtWidgetsApplication();
    platform::Menu model{"status"};
    std::vector<std::string> performed;
    QMenu view;
};

TEST_F(MenuRendererTest, EveryItemBecomesAnActionOfItsKind) {
    platform::renderMenu(model, view);
    const auto actions = view.actions();
    ASSERT_EQ(actions.size(), 11);

    auto* search = qobject_cast<QWidgetAction*>(actions[0]);
    ASSERT_TRUE(search);
    auto* field = search->defaultWidget()->findChild<QLineEdit*>();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->placeholderText(), "Search");

    const struct {
        int index;
        const char* text;  // as the action shows it
        bool separator, enabled, visible, checked;
    } expected[] = {
        {1, "Purlane 9 : Clean text in 'Editor'", false, false, true, false},
        {2, "", true, false, true, false},
        {3, "Groups", false, true, true, false},
        {4, "Cleaners", false, false, true, false},
        {5, "   Red && Bold", false, true, true, false},
        {6, "   Plain", false, true, true, true},
        {7, "Switched Off", false, false, true, false},
        {8, "Hidden", false, false, false, false},  // hidden ones cannot be picked
        {9, "", true, false, true, false},
        {10, "Show Purlane", false, true, true, false},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.index);
        QAction* a = actions[e.index];
        EXPECT_EQ(a->text(), e.text);
        EXPECT_EQ(a->isSeparator(), e.separator);
        if (!e.separator) EXPECT_EQ(a->isEnabled(), e.enabled);
        EXPECT_EQ(a->isVisible(), e.visible);
        EXPECT_EQ(a->isChecked(), e.checked);
    }
    EXPECT_EQ(actions[5]->toolTip(), "Makes it red");
    EXPECT_TRUE(view.toolTipsVisible());

    QMenu* groups = actions[3]->menu();
    ASSERT_TRUE(groups);
    ASSERT_EQ(groups->actions().size(), 2);
    EXPECT_EQ(groups->actions()[1]->text(), "Basic");
}

TEST_F(MenuRendererTest, KeyEquivalentsShowAsShortcuts) {
    platform::renderMenu(model, view);
    EXPECT_EQ(action(view, "Plain")->shortcut().toString(), "Ctrl+P");
    EXPECT_EQ(action(view, "Show Purlane")->shortcut().toString(), "Ctrl+Shift+P");
    EXPECT_TRUE(action(view, "Red && Bold")->shortcut().isEmpty());

    const struct {
        const char* key;
        uint64_t mask;
        const char* shown;
    } cases[] = {
        {",", ModifierFlags::command, "Ctrl+,"},
        {"q", ModifierFlags::command | ModifierFlags::option, "Ctrl+Alt+Q"},
        {"k", ModifierFlags::control | ModifierFlags::shift, "Meta+Shift+K"},
        {"\r", ModifierFlags::command, "Ctrl+Return"},
        {"\x7f", 0, "Backspace"},
        {"\xEF\x9C\x80", ModifierFlags::command, "Ctrl+Up"},  // the OS's up-arrow key
        {"\xEF\x9C\x85", 0, "F2"},                            // its F2 key
        {"", ModifierFlags::command, ""},
        {"ab", ModifierFlags::command, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(platform::keySequenceForKeyEquivalent(c.key, c.mask).toString(), c.shown);
    }
}

TEST_F(MenuRendererTest, PickingAnActionPerformsItsItemOnly) {
    platform::renderMenu(model, view);
    action(view, "Red && Bold")->trigger();
    action(view, "Groups")->menu()->actions()[0]->trigger();
    action(view, "Switched Off")->trigger();
    action(view, "Cleaners")->trigger();
    EXPECT_EQ(performed, (std::vector<std::string>{"Red & Bold", "Standard"}));
}

TEST_F(MenuRendererTest, RenderingAgainReplacesTheActionsAndSubmenus) {
    platform::renderMenu(model, view);
    model.removeItemAt(0);
    platform::renderMenu(model, view);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view.actions().size(), 10);
    EXPECT_EQ(view.findChildren<QMenu*>().size(), 1);
    action(view, "Show Purlane")->trigger();
    EXPECT_EQ(performed, std::vector<std::string>{"Show Purlane"});
}

TEST_F(MenuRendererTest, DrawnMenuShowsColouredTitles) {
    platform::renderMenu(model, view);
    view.popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    const QImage image = view.grab().toImage();
    testsupport::saveScreenshot(image, "MenuRenderer-status");
    view.hide();

    const QColor red(230, 20, 20);
    const QRect redRow = view.actionGeometry(action(view, "Red && Bold"));
    const QRect plainRow = view.actionGeometry(action(view, "Plain"));
    EXPECT_GT(pixelsNear(image, redRow, red), 10);
    EXPECT_EQ(pixelsNear(image, plainRow, red), 0);
    // Wide enough for the longest title and its shortcut, none cut off.
    EXPECT_GE(view.width(),
              view.fontMetrics().horizontalAdvance("Purlane 9 : Clean text in 'Editor'"));
}

}  // namespace
