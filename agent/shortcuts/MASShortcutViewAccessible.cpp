#include "agent/shortcuts/MASShortcutViewAccessible.h"

#include "agent/shortcuts/MASShortcutView.h"

namespace {

QAccessibleInterface* recorderInterface(const QString& /*className*/, QObject* object) {
    // The view has no meta-object of its own, so it is recognised by its type.
    if (auto* view = dynamic_cast<MASShortcutView*>(object))
        return new MASShortcutViewAccessible(view);
    return nullptr;
}

}  // namespace

MASShortcutViewAccessible::MASShortcutViewAccessible(MASShortcutView* view)
    : QAccessibleWidget(view, QAccessible::Button), view_(view) {}

QStringList MASShortcutViewAccessible::actionNames() const {
    return {QAccessibleActionInterface::pressAction()};
}

void MASShortcutViewAccessible::doAction(const QString& actionName) {
    if (actionName == QAccessibleActionInterface::pressAction())
        view_->recorder().accessibilityPress();
}

void MASShortcutViewAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(recorderInterface);
        return true;
    }();
    (void)installed;
}
