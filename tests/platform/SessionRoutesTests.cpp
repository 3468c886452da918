// Routes chosen from what a session offers: every combination of found and missing
// capabilities, the line that describes them and what the agent says it cannot do.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/session/SessionRoutes.h"

namespace {

using platform::SessionCapabilities;
using platform::SessionRoutes;
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
    kCapCount = 11,
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
struct Row {
    unsigned needs;
    Route route;
};

template <class Route>
Route firstMatch(const std::vector<Row<Route>>& rule, unsigned caps) {
    for (const auto& row : rule)
        if ((row.needs & caps) == row.needs) return row.route;
    ADD_FAILURE() << "rule without a fallback row";
    return rule.back().route;
}

const std::vector<Row<SessionRoutes::HotKeys>> kHotKeysRule = {
    {GlobalShortcutsPortal, SessionRoutes::HotKeys::GlobalShortcutsPortal},
    {KGlobalAccel, SessionRoutes::HotKeys::KGlobalAccel},
    {0, SessionRoutes::HotKeys::DesktopBinding},
};
const std::vector<Row<SessionRoutes::Keys>> kKeysRule = {
    {RemoteDesktopPortal, SessionRoutes::Keys::RemoteDesktopPortal},
    {VirtualKeyboard, SessionRoutes::Keys::VirtualKeyboard},
    {0, SessionRoutes::Keys::None},
};
const std::vector<Row<SessionRoutes::Clipboard>> kClipboardRule = {
    {ExtDataControl, SessionRoutes::Clipboard::ExtDataControl},
    {WlrDataControl, SessionRoutes::Clipboard::WlrDataControl},
    {ClipboardPortal | RemoteDesktopPortal, SessionRoutes::Clipboard::Portal},
    {0, SessionRoutes::Clipboard::None},
};
const std::vector<Row<SessionRoutes::Focus>> kFocusRule = {
    {SwayIpc, SessionRoutes::Focus::SwayIpc},
    {KWinScripting, SessionRoutes::Focus::KWinScript},
    {ForeignToplevel, SessionRoutes::Focus::ForeignToplevel},
    {0, SessionRoutes::Focus::FocusedOnly},
};

TEST(SessionRoutesTests, waylandRoutesFollowWhatTheSessionOffersInEveryCombination) {
    for (unsigned caps = 0; caps < (1u << kCapCount); ++caps) {
        const auto routes = SessionRoutes::choose(wayland(caps));
        const auto line = SessionRoutes::describe(wayland(caps), routes);
        ASSERT_EQ(routes.hotKeys, firstMatch(kHotKeysRule, caps)) << line;
        ASSERT_EQ(routes.keys, firstMatch(kKeysRule, caps)) << line;
        ASSERT_EQ(routes.clipboard, firstMatch(kClipboardRule, caps)) << line;
        ASSERT_EQ(routes.focus, firstMatch(kFocusRule, caps)) << line;
    }
}

TEST(SessionRoutesTests, x11AndNoSessionTakeFixedRoutesWhateverElseWasFound) {
    for (unsigned caps : {0u, (1u << kCapCount) - 1}) {
        auto x11 = wayland(caps);
        x11.kind = Kind::X11;
        const auto routes = SessionRoutes::choose(x11);
        EXPECT_EQ(routes.hotKeys, SessionRoutes::HotKeys::X11Grabs);
        EXPECT_EQ(routes.keys, SessionRoutes::Keys::XTest);
        EXPECT_EQ(routes.clipboard, SessionRoutes::Clipboard::X11Selection);
        EXPECT_EQ(routes.focus, SessionRoutes::Focus::X11ActiveWindow);
        EXPECT_TRUE(routes.limitations().empty());
        EXPECT_EQ(SessionRoutes::describe(x11, routes),
                  "Session: x11; hot keys: X11 key grabs, keys: XTest, clipboard: X11 CLIPBOARD "
                  "selection, focus: X11 active window");

        auto none = wayland(caps);
        none.kind = Kind::None;
        const auto nothing = SessionRoutes::choose(none);
        EXPECT_EQ(nothing.hotKeys, SessionRoutes::HotKeys::None);
        EXPECT_EQ(nothing.keys, SessionRoutes::Keys::None);
        EXPECT_EQ(nothing.clipboard, SessionRoutes::Clipboard::None);
        EXPECT_EQ(nothing.focus, SessionRoutes::Focus::None);
        EXPECT_EQ(nothing.limitations().size(), 4u);
    }
}

// Each route that leaves something undone, with the words that say what; every other route
// adds no limitation.
TEST(SessionRoutesTests, eachMissingCapabilityIsSaidInOneSentence) {
    SessionRoutes capable;
    capable.hotKeys = SessionRoutes::HotKeys::GlobalShortcutsPortal;
    capable.keys = SessionRoutes::Keys::VirtualKeyboard;
    capable.clipboard = SessionRoutes::Clipboard::WlrDataControl;
    capable.focus = SessionRoutes::Focus::SwayIpc;
    EXPECT_TRUE(capable.limitations().empty());

    struct Case {
        void (*degrade)(SessionRoutes&);
        std::vector<std::string> says;  // empty: no limitation
    };
    const Case cases[] = {
        {[](SessionRoutes& r) { r.hotKeys = SessionRoutes::HotKeys::DesktopBinding; },
         {"keyboard settings", "purlanectl", "Global HotKeys pane"}},
        {[](SessionRoutes& r) { r.hotKeys = SessionRoutes::HotKeys::None; }, {"hot keys"}},
        {[](SessionRoutes& r) { r.hotKeys = SessionRoutes::HotKeys::KGlobalAccel; }, {}},
        {[](SessionRoutes& r) { r.keys = SessionRoutes::Keys::None; },
         {"Synthetic keys are not available", "pasted by hand"}},
        {[](SessionRoutes& r) { r.keys = SessionRoutes::Keys::RemoteDesktopPortal; }, {}},
        {[](SessionRoutes& r) { r.clipboard = SessionRoutes::Clipboard::None; },
         {"cannot be applied in place", "not mirrored"}},
        {[](SessionRoutes& r) { r.clipboard = SessionRoutes::Clipboard::Portal; }, {}},
        {[](SessionRoutes& r) { r.focus = SessionRoutes::Focus::FocusedOnly; },
         {"application in front is not known", "whatever has the focus"}},
        {[](SessionRoutes& r) { r.focus = SessionRoutes::Focus::None; },
         {"application in front is not known"}},
        {[](SessionRoutes& r) { r.focus = SessionRoutes::Focus::ForeignToplevel; }, {}},
    };
    for (const auto& c : cases) {
        SessionRoutes routes = capable;
        c.degrade(routes);
        const auto lines = routes.limitations();
        const std::string described = SessionRoutes::describe(wayland(0), routes);
        if (c.says.empty()) {
            EXPECT_TRUE(lines.empty()) << described;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << described;
        for (const auto& words : c.says)
            EXPECT_NE(lines[0].find(words), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0].back(), '.') << lines[0];
    }
}

TEST(SessionRoutesTests, describeListsWhatWasFoundWithVersionsAndEachRoute) {
    auto found = wayland(ExtDataControl | VirtualKeyboard | RemoteDesktopPortal | SwayIpc |
                         GnomeKeybindings);
    EXPECT_EQ(SessionRoutes::describe(found, SessionRoutes::choose(found)),
              "Session: wayland; found ext_data_control_manager_v1 v1, "
              "zwp_virtual_keyboard_manager_v1 v1, portal RemoteDesktop v2, Sway IPC, GNOME "
              "custom keybindings; hot keys: bound in the desktop's settings, keys: "
              "RemoteDesktop portal, clipboard: ext data-control, focus: Sway IPC");

    const auto nothing = wayland(0);
    EXPECT_EQ(SessionRoutes::describe(nothing, SessionRoutes::choose(nothing)),
              "Session: wayland; found nothing the agent uses; hot keys: bound in the desktop's "
              "settings, keys: none, clipboard: none, focus: focused window only");
}

}  // namespace
