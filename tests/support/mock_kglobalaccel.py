#!/usr/bin/python3
"""KDE's global shortcut service (org.kde.kglobalaccel) on the session bus, for tests.

It keeps the actions registered and their keys, and takes orders on
org.purlane.test.MockKGlobalAccel at /org/purlane/test:
  Shortcuts() -> a(ssi)        component, action and first key of every action with keys
  Press(s component, s action) emits globalShortcutPressed on the component's object
  ChooseKeys(s action, i keys) setShortcut sets `keys` for that action instead (0: refuse)
Prints "ready" once its name is owned.
"""

import sys

import dbus
import dbus.service
from gi.repository import GLib

from mock_bus import serve

ACCEL = "org.kde.KGlobalAccel"
COMPONENT = "org.kde.kglobalaccel.Component"
CONTROL = "org.purlane.test.MockKGlobalAccel"


class Component(dbus.service.Object):
    @dbus.service.signal(COMPONENT, signature="ssx")
    def globalShortcutPressed(self, component, action, timestamp):
        pass


class Accel(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/kglobalaccel")
        self.bus = bus
        self.registered = set()
        self.keys = {}
        self.chosen = {}
        self.components = {}

    def component(self, name):
        if name not in self.components:
            path = "/component/" + "".join(c if c.isalnum() else "_" for c in name)
            self.components[name] = Component(self.bus, path)
        return self.components[name]

    @dbus.service.method(ACCEL, in_signature="as", out_signature="")
    def doRegister(self, action_id):
        self.registered.add((str(action_id[0]), str(action_id[1])))
        self.component(str(action_id[0]))

    @dbus.service.method(ACCEL, in_signature="asaiu", out_signature="ai")
    def setShortcut(self, action_id, keys, flags):
        key = (str(action_id[0]), str(action_id[1]))
        if key not in self.registered:
            return dbus.Array([], signature="i")
        chosen = self.chosen.get(key[1])
        if chosen == 0:
            return dbus.Array([], signature="i")
        wanted = [int(k) for k in keys]
        self.keys[key] = [chosen] if chosen is not None else wanted
        return dbus.Array(self.keys[key], signature="i")

    @dbus.service.method(ACCEL, in_signature="ss", out_signature="b")
    def unregister(self, component, action):
        key = (str(component), str(action))
        self.registered.discard(key)
        return self.keys.pop(key, None) is not None

    @dbus.service.method(ACCEL, in_signature="as", out_signature="")
    def setInactive(self, action_id):
        pass

    @dbus.service.method(ACCEL, in_signature="s", out_signature="o")
    def getComponent(self, name):
        if name not in self.components:
            raise dbus.exceptions.DBusException(
                "no such component", name="org.kde.kglobalaccel.NoSuchComponent")
        return dbus.ObjectPath(self.components[name].__dbus_object_path__)


class Control(dbus.service.Object):
    def __init__(self, bus, accel):
        super().__init__(bus, "/org/purlane/test")
        self.accel = accel

    @dbus.service.method(CONTROL, in_signature="", out_signature="a(ssi)")
    def Shortcuts(self):
        return dbus.Array([(c, a, keys[0]) for (c, a), keys in sorted(self.accel.keys.items())
                           if keys], signature="(ssi)")

    @dbus.service.method(CONTROL, in_signature="ss", out_signature="")
    def Press(self, component, action):
        self.accel.component(component).globalShortcutPressed(
            component, action, dbus.Int64(GLib.get_monotonic_time() // 1000))

    @dbus.service.method(CONTROL, in_signature="si", out_signature="")
    def ChooseKeys(self, action, keys):
        self.accel.chosen[str(action)] = int(keys)


def main():
    serve("org.kde.kglobalaccel", lambda bus: Control(bus, Accel(bus)))


if __name__ == "__main__":
    sys.exit(main())
