// Routes chosen from what a session offers: every combination of found and missing
// capabilities, the line that describes them and what the agent says it cannot do.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/session/SessionRoutes.h"

namespace {

using platform::SessionCapabilities;
using platform::SessionRoutes;
using R = SessionRoutes;
using Kind = SessionCapabilities::Kind;

// Each capability a Wayland session may offer, as one bit.
enum Cap : unsigned {
    GlobalShortcutsPortal = 1u << 0,
    KGlobalAccel = 1u << 1,
    RemoteDesktopPortal = 1u << 2,
    VirtualKeyboard = 1u << 3,
    ExtDataControl = 1u << 4,
    WlrDataControl = 1u << 5,
    ClipboardPortal = 1u << 6,
    SwayIpc = 1u << 7,
    KWinScripting = 1u << 8,
    ForeignToplevel = 1u << 9,
    GnomeKeybindings = 1u << 10,
    kAll = (1u << 11) - 1,
};

SessionCapabilities wayland(unsigned caps) {
    SessionCapabilities found;
    found.kind = Kind::Wayland;
    found.globals = {{"wl_compositor", 5}, {"wl_seat", 8}};
    if (caps & GlobalShortcutsPortal) found.portals["GlobalShortcuts"] = 1;
    if (caps & RemoteDesktopPortal) found.portals["RemoteDesktop"] = 2;
    if (caps & ClipboardPortal) found.portals["Clipboard"] = 1;
    if (caps & VirtualKeyboard) found.globals["zwp_virtual_keyboard_manager_v1"] = 1;
    if (caps & ExtDataControl) found.globals["ext_data_control_manager_v1"] = 1;
    if (caps & WlrDataControl) found.globals["zwlr_data_control_manager_v1"] = 2;
    if (caps & ForeignToplevel) found.globals["zwlr_foreign_toplevel_manager_v1"] = 3;
    found.kglobalaccel = caps & KGlobalAccel;
    found.swayIpc = caps & SwayIpc;
    found.kwinScripting = caps & KWinScripting;
    found.gnomeCustomKeybindings = caps & GnomeKeybindings;
    return found;
}

// One rule: the first row whose capabilities are all present gives the route.
template <class Route>
Route firstMatch(const std::vector<std::pair<unsigned, Route>>& rule, unsigned caps) {
    for (const auto& [needs, route] : rule)
        if ((needs & caps) == needs) return route;
    return rule.back().second;
}

TEST(SessionRoutesTests, waylandRoutesFollowWhatTheSessionOffersInEveryCombination) {
    for (unsigned caps = 0; caps <= kAll; ++caps) {
        const auto routes = R::choose(wayland(caps));
        const auto line = R::describe(wayland(caps), routes);
        ASSERT_EQ(routes.hotKeys, firstMatch<R::HotKeys>(
                                      {{GlobalShortcutsPortal, R::HotKeys::GlobalShortcutsPortal},
                                       {KGlobalAccel, R::HotKeys::KGlobalAccel},
                                       {0, R::HotKeys::DesktopBinding}},
                                      caps))
            << line;
        ASSERT_EQ(routes.keys,
                  firstMatch<R::Keys>({{RemoteDesktopPortal, R::Keys::RemoteDesktopPortal},
                                       {VirtualKeyboard, R::Keys::VirtualKeyboard},
                                       {0, R::Keys::None}},
                                      caps))
            << line;
        ASSERT_EQ(
            routes.clipboard,
            firstMatch<R::Clipboard>({{ExtDataControl, R::Clipboard::ExtDataControl},
                                      {WlrDataControl, R::Clipboard::WlrDataControl},
                                      {ClipboardPortal | RemoteDesktopPortal, R::Clipboard::Portal},
                                      {0, R::Clipboard::None}},
                                     caps))
            << line;
        ASSERT_EQ(routes.focus, firstMatch<R::Focus>({{SwayIpc, R::Focus::SwayIpc},
                                                      {KWinScripting, R::Focus::KWinScript},
                                                      {ForeignToplevel, R::Focus::ForeignToplevel},
                                                      {0, R::Focus::FocusedOnly}},
                                                     caps))
            << line;
    }
}

TEST(SessionRoutesTests, x11AndNoSessionTakeFixedRoutesWhateverElseWasFound) {
    for (unsigned caps : {0u, unsigned{kAll}}) {
        auto found = wayland(caps);
        found.kind = Kind::X11;
        const auto x11 = R::choose(found);
        EXPECT_TRUE(x11.limitations().empty());
        EXPECT_EQ(R::describe(found, x11),
                  "Session: x11; hot keys: X11 key grabs, keys: XTest, clipboard: X11 CLIPBOARD "
                  "selection, focus: X11 active window");

        found.kind = Kind::None;
        const auto none = R::choose(found);
        EXPECT_EQ(std::tuple(none.hotKeys, none.keys, none.clipboard, none.focus),
                  std::tuple(R::HotKeys::None, R::Keys::None, R::Clipboard::None, R::Focus::None));
        EXPECT_EQ(none.limitations().size(), 4u);
    }
}

// Each route that leaves something undone, with the words that say what; every other route
// adds no limitation.
TEST(SessionRoutesTests, eachMissingCapabilityIsSaidInOneSentence) {
    R capable;
    capable.hotKeys = R::HotKeys::GlobalShortcutsPortal;
    capable.keys = R::Keys::VirtualKeyboard;
    capable.clipboard = R::Clipboard::WlrDataControl;
    capable.focus = R::Focus::SwayIpc;
    EXPECT_TRUE(capable.limitations().empty());

    const std::pair<void (*)(R&), std::vector<std::string>> cases[] = {
        {[](R& r) { r.hotKeys = R::HotKeys::DesktopBinding; },
         {"keyboard settings", "purlanectl", "Global HotKeys pane"}},
        {[](R& r) { r.hotKeys = R::HotKeys::None; }, {"hot keys"}},
        {[](R& r) { r.hotKeys = R::HotKeys::KGlobalAccel; }, {}},
        {[](R& r) { r.keys = R::Keys::None; },
         {"Synthetic keys are not available", "pasted by hand"}},
        {[](R& r) { r.keys = R::Keys::RemoteDesktopPortal; }, {}},
        {[](R& r) { r.clipboard = R::Clipboard::None; },
         {"cannot be applied in place", "not mirrored"}},
        {[](R& r) { r.clipboard = R::Clipboard::Portal; }, {}},
        {[](R& r) { r.focus = R::Focus::FocusedOnly; },
         {"application in front is not known", "whatever has the focus"}},
        {[](R& r) { r.focus = R::Focus::None; }, {"application in front is not known"}},
        {[](R& r) { r.focus = R::Focus::ForeignToplevel; }, {}},
    };
    for (const auto& [degrade, says] : cases) {
        R routes = capable;
        degrade(routes);
        const auto lines = routes.limitations();
        ASSERT_EQ(lines.size(), says.empty() ? 0u : 1u) << R::describe(wayland(0), routes);
        for (const auto& words : says)
            EXPECT_NE(lines[0].find(words), std::string::npos) << lines[0];
        if (!lines.empty()) EXPECT_EQ(lines[0].back(), '.') << lines[0];
    }
}

TEST(SessionRoutesTests, describeListsWhatWasFoundWithVersionsAndEachRoute) {
    auto found = wayland(ExtDataControl | VirtualKeyboard | RemoteDesktopPortal | SwayIpc |
                         GnomeKeybindings);
    EXPECT_EQ(R::describe(found, R::choose(found)),
              "Session: wayland; found ext_data_control_manager_v1 v1, "
              "zwp_virtual_keyboard_manager_v1 v1, portal RemoteDesktop v2, Sway IPC, GNOME "
              "custom keybindings; hot keys: bound in the desktop's settings, keys: "
              "RemoteDesktop portal, clipboard: ext data-control, focus: Sway IPC");
}

}  // namespace
