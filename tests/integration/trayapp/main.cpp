// Shows one status item and prints, a line each, what happens to it:
//   frame X Y W H SEEN  the icon's frame in screen coordinates, when it changes, and whether
//                       the X server shows its window (1) or not yet (0)
//   action              the icon's action ran
//   update N            the menu was rebuilt for its Nth opening
//   menu X Y W H        the menu opened, at this X11 geometry
//   item TITLE|X Y W H an entry of the open menu, in X11 coordinates
//   chose TITLE         a menu item's action ran
// Arguments: RESOURCES-FOLDER IMAGE-NAME action|menu|popup. In popup mode there is no status
// item: the menu pops up once at the pointer, after
//   mouse X Y           the pointer's location in screen coordinates
// and then
//   popped true|false   what showing the menu returned

#include <xcb/xcb.h>

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/linux/QtMenuPresenter.h"
#include "platform/linux/QtStatusBar.h"
#include "platform/linux/QtStatusItem.h"
#include "platform/ui/Menu.h"

namespace {

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string numbers(double x, double y, double w, double h) {
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g %g", x, y, w, h);
    return text;
}

// Whether the X server shows the tray icon's window. A tray takes the icon in, then maps it
// when it is ready: clicks before that go to the tray.
bool trayWindowViewable() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() != "QSystemTrayIconSys" ||
            !widget->testAttribute(Qt::WA_WState_Created))
            continue;
        xcb_connection_t* c = x11->connection();
        auto* reply = xcb_get_window_attributes_reply(
            c, xcb_get_window_attributes(c, static_cast<xcb_window_t>(widget->winId())), nullptr);
        const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        free(reply);
        return viewable;
    }
    return false;
}

void fillMenu(platform::Menu& menu, int opening) {
    using platform::MenuItem;
    menu.removeAllItems();
    auto chose = [](MenuItem& sender) { say("chose " + sender.title); };
    MenuItem search("search", "searchMenu:");
    search.viewKind = MenuItem::kSearchFieldView;
    menu.addItem(search);
    menu.addItem(MenuItem("Opening " + std::to_string(opening)));
    menu.addItem(MenuItem::separatorItem());
    MenuItem basic("Basic Cleaner", "applyItem:");
    basic.indentationLevel = 1;
    basic.action = chose;
    menu.addItem(basic);
    MenuItem red("Red Cleaner", "applyItem:");
    red.indentationLevel = 1;
    red.titleColor = platform::RgbColor{220, 30, 30};
    red.action = chose;
    menu.addItem(red);
    MenuItem show("Show Purlane", "showPurlane:");
    show.action = chose;
    menu.addItem(show);
}

// Reports the open pop-up menu (the active popup widget) and its entries once it is shown.
void reportOpenMenu(QMenu* open, std::string& last) {
    const QRect g = open ? open->geometry() : QRect();
    const std::string text = open ? numbers(g.x(), g.y(), g.width(), g.height()) : "";
    if (text != last && open) {
        say("menu " + text);
        for (QAction* action : open->actions()) {
            const QRect a = open->actionGeometry(action).translated(g.topLeft());
            say("item " + action->text().trimmed().toStdString() + "|" +
                numbers(a.x(), a.y(), a.width(), a.height()));
        }
    }
    last = text;
}

int popUp() {
    platform::QtMenuPresenter presenter;
    platform::Menu menu("popup");
    fillMenu(menu, 1);
    const platform::Point mouse = presenter.mouseLocation();
    char where[64];
    std::snprintf(where, sizeof where, "mouse %g %g", mouse.x, mouse.y);
    say(where);
    std::string last;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        reportOpenMenu(qobject_cast<QMenu*>(QApplication::activePopupWidget()), last);
    });
    watch.start(100);
    say(std::string("popped ") + (presenter.popUpMenu(menu, mouse) ? "true" : "false"));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: purlane_trayapp RESOURCES IMAGE action|menu\n");
        return 2;
    }
    const std::filesystem::path resources = argv[1];
    const std::string image = argv[2];
    const std::string mode = argv[3];
    const bool menuMode = mode == "menu";
    if (mode == "popup") return popUp();

    platform::QtStatusBar bar([resources](const std::string& fileName) {
        const auto file = resources / fileName;
        return std::filesystem::exists(file) ? std::optional(file) : std::nullopt;
    });
    auto item = bar.statusItemWithLength(platform::StatusBar::kSquareLength);
    if (!item) {
        say("no status item");
        return 1;
    }
    if (!item->setImage(image)) say("no image");
    platform::Menu menu("status");
    int openings = 0;
    if (menuMode) {
        item->setMenu(&menu, [&] {
            fillMenu(menu, ++openings);
            say("update " + std::to_string(openings));
        });
    } else {
        item->setAction([] { say("action"); });
    }
    say("ready");

    // The test reads positions from these lines: report what changed, a tenth of a second late
    // at most.
    auto* qtItem = dynamic_cast<platform::QtStatusItem*>(item.get());
    std::string lastFrame, lastMenu;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const auto frame = item->buttonFrame();
        const std::string frameText = frame ? numbers(frame->origin.x, frame->origin.y,
                                                      frame->size.width, frame->size.height) +
                                                  (trayWindowViewable() ? " 1" : " 0")
                                            : std::string();
        if (frameText != lastFrame && !frameText.empty()) say("frame " + frameText);
        lastFrame = frameText;

        reportOpenMenu(qtItem ? qtItem->openMenu() : nullptr, lastMenu);
    });
    watch.start(100);
    return app.exec();
}
