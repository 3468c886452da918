#include "platform/linux/QtMenuRenderer.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QWidgetAction>

#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

namespace platform {

namespace {

constexpr const char* kTitleColorProperty = "plTitleColor";
constexpr const char* kRenderedProperty = "plRendered";
// Three spaces a level: about the width the OS indents a level by in a menu font.
constexpr int kIndentSpaces = 3;

// Widget menus have no per-action text colour: this style draws an action whose title is
// attributed in that colour, leaving everything else to the application's style.
class TitleColorStyle : public QProxyStyle {
  public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* menu = qobject_cast<const QMenu*>(widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuItem && menu && item) {
            const QAction* action = menu->actionAt(option->rect.center());
            const QVariant color = action ? action->property(kTitleColorProperty) : QVariant();
            if (color.isValid()) {
                QStyleOptionMenuItem tinted(*item);
                for (auto group : {QPalette::Active, QPalette::Inactive}) {
                    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                        tinted.palette.setColor(group, role, color.value<QColor>());
                }
                QProxyStyle::drawControl(element, &tinted, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// The Qt key for a key equivalent's character, 0 when there is none.
int qtKey(char32_t c) {
    switch (c) {
        case U'\r':
        case U'\n':
        case 0x03:
            return Qt::Key_Return;
        case 0x1b:
            return Qt::Key_Escape;
        case 0x08:
        case 0x7f:
            return Qt::Key_Backspace;
        case U'\t':
            return Qt::Key_Tab;
        case U' ':
            return Qt::Key_Space;
        case 0xF700:
            return Qt::Key_Up;
        case 0xF701:
            return Qt::Key_Down;
        case 0xF702:
            return Qt::Key_Left;
        case 0xF703:
            return Qt::Key_Right;
        case 0xF728:
            return Qt::Key_Delete;
        case 0xF729:
            return Qt::Key_Home;
        case 0xF72B:
            return Qt::Key_End;
        case 0xF72C:
            return Qt::Key_PageUp;
        case 0xF72D:
            return Qt::Key_PageDown;
        default:
            break;
    }
    if (c >= 0xF704 && c <= 0xF726) return Qt::Key_F1 + static_cast<int>(c - 0xF704);
    if (c < 0x20 || (c >= 0xF700 && c <= 0xF8FF) || c > 0xFFFF) return 0;
    return QChar(static_cast<char16_t>(c)).toUpper().unicode();
}

}  // namespace

QKeySequence keySequenceForKeyEquivalent(const std::string& keyEquivalent, uint64_t mask) {
    const QString text = QString::fromStdString(keyEquivalent);
    const auto units = text.toUcs4();
    if (units.size() != 1) return {};
    const char32_t c = units.front();
    const int key = qtKey(c);
    if (key == 0) return {};
    Qt::KeyboardModifiers modifiers;
    if (mask & ModifierFlags::command) modifiers |= Qt::ControlModifier;
    if (mask & ModifierFlags::control) modifiers |= Qt::MetaModifier;
    if (mask & ModifierFlags::option) modifiers |= Qt::AltModifier;
    // An upper-case letter stands for the letter with Shift, as in the OS's menus.
    if ((mask & ModifierFlags::shift) || (QChar::isUpper(c) && QChar::toLower(c) != c))
        modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

namespace {

QString actionText(const MenuItem& item) {
    QString title = QString::fromStdString(item.title);
    // A title is shown as written: '&' would otherwise mark a mnemonic.
    title.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (item.indentationLevel > 0)
        title.prepend(QString(item.indentationLevel * kIndentSpaces, QLatin1Char(' ')));
    return title;
}

void prepare(QMenu& menu) {
    // Submenus of an earlier rendering go with it.
    for (QMenu* child : menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property(kRenderedProperty).toBool()) {
            menu.removeAction(child->menuAction());
            child->deleteLater();
        }
    }
    menu.clear();
    if (!menu.findChild<TitleColorStyle*>(QString(), Qt::FindDirectChildrenOnly)) {
        auto* style = new TitleColorStyle;
        style->setParent(&menu);
        menu.setStyle(style);
    }
}

void fill(Menu& model, QMenu& into, const MenuItemPerformer& perform);

QAction* addItem(MenuItem& item, QMenu& into, const MenuItemPerformer& perform) {
    if (item.isSeparatorItem()) return into.addSeparator();

    QAction* action = nullptr;
    if (item.viewKind == MenuItem::kSearchFieldView) {
        auto* widgetAction = new QWidgetAction(&into);
        // Inset from the menu's edges, as the OS's search field in a menu.
        auto* box = new QWidget;
        auto* layout = new QHBoxLayout(box);
        layout->setContentsMargins(8, 4, 8, 4);
        auto* field = new QLineEdit;
        field->setObjectName(QStringLiteral("searchField"));
        field->setPlaceholderText(QString::fromStdString(
            localized("Search", "placeholder of the search field in the status menu")));
        field->setClearButtonEnabled(true);
        layout->addWidget(field);
        widgetAction->setDefaultWidget(box);
        into.addAction(widgetAction);
        action = widgetAction;
    } else if (Menu* submenu = item.submenu()) {
        auto* child = new QMenu(&into);
        child->setProperty(kRenderedProperty, true);
        // The item names the submenu; the submenu's own title is never shown.
        child->setTitle(actionText(item));
        fill(*submenu, *child, perform);
        action = into.addMenu(child);
    } else {
        action = into.addAction(actionText(item));
        const QKeySequence shortcut =
            keySequenceForKeyEquivalent(item.keyEquivalent, item.keyEquivalentModifierMask);
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            // Only while the menu itself is up, as the OS's menus answer key equivalents.
            action->setShortcutContext(Qt::WidgetShortcut);
            action->setShortcutVisibleInContextMenu(true);
        }
    }
    if (item.titleColor) {
        const RgbColor c = *item.titleColor;
        action->setProperty(kTitleColorProperty, QColor(c.red, c.green, c.blue));
    }
    if (item.state != MenuItem::State::off) {
        action->setCheckable(true);
        // Qt has no mixed mark; a mixed item reads as partly on, so it is shown checked.
        action->setChecked(true);
    }
    if (!item.toolTip.empty()) {
        action->setToolTip(QString::fromStdString(item.toolTip));
        into.setToolTipsVisible(true);
    }
    // As the OS's menus enable items by themselves: one that can do nothing is greyed.
    const bool canAct = item.action || item.hasSubmenu() || !item.viewKind.empty();
    action->setEnabled(item.enabled && canAct);
    action->setVisible(!item.hidden);
    MenuItem* target = &item;
    QObject::connect(action, &QAction::triggered, action, [target, perform] {
        if (perform)
            perform(*target);
        else
            target->perform();
    });
    return action;
}

void fill(Menu& model, QMenu& into, const MenuItemPerformer& perform) {
    prepare(into);
    for (MenuItem& item : model.items()) addItem(item, into, perform);
}

}  // namespace

void renderMenu(Menu& model, QMenu& into) {
    fill(model, into, nullptr);
}

void renderMenu(Menu& model, QMenu& into, MenuItemPerformer perform) {
    fill(model, into, perform);
}

}  // namespace platform
