#pragma once

// Distributed notifications that do what a show-popover or show-menu hot key does, for desktops
// where the user binds keys to our command line instead of the agent grabbing them
// ("purlanectl notify NAME [--object GROUP]").
namespace ShortcutNotifications {
inline constexpr const char* kShowPopover = "com.halvik.purlane.agent.showPopover";
// The object names the group; none, or "#current", the global menu's current group.
inline constexpr const char* kShowGroupMenu = "com.halvik.purlane.agent.showGroupMenu";
}  // namespace ShortcutNotifications
