// The cleaner list and sidebar widgets drawn offscreen on a sim-backed controller, written to
// build/screenshots/ for a look, and the routes from Qt events to the controller.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QToolButton>
#include <filesystem>

#include "agent/ui/CleanerListWidget.h"
#include "agent/ui/GroupListWidget.h"
#include "tests/agent/ui/CleanerListFixture.h"
#include "tests/support/QtWidgetsApp.h"

using namespace uitest;

namespace {

using testsupport::settle;

void save(QWidget& widget, const std::string& name) {
    settle();
    testsupport::saveScreenshot(widget, name);
}

// A library with every colour, headings and separators, as a user's would look.
SharedPurlaneData2 colourfulLibrary() {
    SharedPurlaneData2 data = sampleLibrary();
    data.builtin.groups[0].items = {
        label("Spaces"),
        cleaner("trim", "Trim", "Remove white space at both ends", ItemColor::red),
        cleaner("collapse", "Collapse Spaces", "Runs of spaces become one", ItemColor::green),
        cleaner("breaks", "Remove Line Breaks", "Join lines", ItemColor::blue),
        spacer(),
        label("Case"),
        cleaner("upper", "UPPER CASE", "Capitals", ItemColor::orange),
        cleaner("lower", "lower case", "Small letters", ItemColor::yellow),
        cleaner("title", "Title Case", "Capital initials", ItemColor::brown),
        cleaner("sentence", "Sentence case", "First letter capital", ItemColor::purple),
        spacer("Anything"),
        cleaner("quotes", "Smart Quotes", "Curly quotes"),
    };
    return data;
}

class CleanerListWidgetTest : public CleanerListFixture {
  public:
    CleanerListWidgetTest() {
        testsupport::ensureQtWidgetsApplication();
        client.clientData().update(colourfulLibrary());
    }

    // A list as the popover shows it, 300 by 430, on the display options given.
    std::unique_ptr<CleanerListWidget> show(int colorStyle, bool compact) {
        defaults.setInteger("AppGroupColorStyle", colorStyle);
        defaults.setBool("AppGroupDisplayCompact", compact);
        makeList();
        list->setView(nullptr);
        auto widget = std::make_unique<CleanerListWidget>(*list);
        widget->resize(300, 430);
        widget->show();
        settle();
        return widget;
    }

    static void key(QWidget* target, int qtKey) {
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
};

TEST_F(CleanerListWidgetTest, Screenshots) {
    const char* styles[] = {"text", "bubble", "combo"};
    for (int style = 0; style < 3; ++style) {
        for (bool compact : {false, true}) {
            auto widget = show(style, compact);
            EXPECT_EQ(widget->tableView()->model()->rowCount(), list->numberOfRows());
            EXPECT_EQ(widget->listPopup()->text(), "Standard");
            save(*widget, std::string("cleaner_list_") + (compact ? "compact_" : "standard_") +
                              styles[style] + "");
        }
    }

    auto widget = show(2, false);
    widget->searchField()->setText("case slug");
    EXPECT_EQ(list->lastFilter(), "case slug");
    ASSERT_EQ(list->numberOfRows(), 6);
    EXPECT_EQ(list->itemAt(4)->token, "#LABEL:Library Matches");
    key(widget->searchField(), Qt::Key_Down);
    // The pointer over "lower case": its row gets the hover outline.
    QWidget* rows = widget->tableView()->viewport();
    const QPointF over =
        widget->tableView()->visualRect(widget->tableView()->model()->index(1, 0)).center();
    QHoverEvent hover(QEvent::HoverMove, over, rows->mapToGlobal(over), QPointF(-1, -1));
    QApplication::sendEvent(rows, &hover);
    save(*widget, "cleaner_list_filtered");
}

TEST_F(CleanerListWidgetTest, PopupMenuAndSidebar) {
    auto widget = show(1, false);
    QMenu* menu = widget->listPopupMenu();
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << (action->isSeparator() ? "---" : action->text());
    EXPECT_EQ(titles, QStringList({"Standard", "Basic", "Library", "Custom", "---", "Web", "---",
                                   "Customize…"}));
    menu->popup(QPoint(0, 0));
    save(*menu, "cleaner_list_popup_menu");
    menu->hide();

    // Choosing "Web" in the rendered menu shows that group and retitles the popup.
    menu->actions().at(5)->trigger();
    settle();
    EXPECT_EQ(list->currentGroup().uuid, kWebUuid);
    EXPECT_EQ(widget->listPopup()->text(), "Web");
    EXPECT_EQ(widget->listPopupMenu()->actions().at(5)->isChecked(), true);

    GroupListViewController sidebar({&client, &defaults, &agent.notificationCenter(), &modifiers});
    sidebar.setColumnTitle("Groups");
    sidebar.setCurrent("Standard");
    sidebar.cleanerList = list.get();
    GroupListWidget side(sidebar);
    side.resize(160, 260);
    side.show();
    EXPECT_EQ(side.tableView()->count(), 6);
    EXPECT_EQ(side.tableView()->currentRow(), 0);
    side.tableView()->setCurrentRow(1);
    EXPECT_EQ(list->currentGroup().uuid, "##Basic");
    save(side, "group_sidebar");
}

TEST_F(CleanerListWidgetTest, KeyboardAndMouseReachTheController) {
    auto widget = show(0, false);
    QListView* table = widget->tableView();

    // Down from the search field selects row 0 even though it is a label.
    key(widget->searchField(), Qt::Key_Down);
    EXPECT_EQ(list->selectedRow(), 0);
    EXPECT_EQ(table->currentIndex().row(), 0);
    // The table's arrows step over labels and separators.
    key(table, Qt::Key_Down);
    EXPECT_EQ(list->selectedRow(), 1);
    key(table, Qt::Key_Down);
    key(table, Qt::Key_Down);
    key(table, Qt::Key_Down);
    EXPECT_EQ(list->selectedRow(), 6) << "past the separator and the heading";
    key(table, Qt::Key_Return);
    EXPECT_EQ(delegate.chosen, std::vector<std::string>{"upper|UPPER CASE|Capitals"});
    EXPECT_EQ(table->selectionModel()->selectedIndexes().size(), 0);

    // A click on a cleaner's button chooses it, a double click on it only once; a double click
    // below the rows does nothing.
    const auto mouse = [&](QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, table->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &event);
    };
    const QPoint trim = table->visualRect(table->model()->index(1, 0)).center();
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        mouse(type, trim);
    mouse(QEvent::MouseButtonDblClick, QPoint(10, table->viewport()->height() - 2));
    EXPECT_EQ(delegate.chosen,
              (std::vector<std::string>{"upper|UPPER CASE|Capitals",
                                        "trim|Trim|Remove white space at both ends"}));
    EXPECT_EQ(sounds.beeps, 0);

    // Escape clears the selection; Tab then starts again at row 0, and Up on the first row hands
    // the keys back to the search field.
    key(table, Qt::Key_Escape);
    EXPECT_EQ(list->selectedRow(), -1);
    key(widget->searchField(), Qt::Key_Tab);
    EXPECT_EQ(list->selectedRow(), 0);
    key(table, Qt::Key_Up);
    EXPECT_EQ(list->selectedRow(), -1);
}

}  // namespace
