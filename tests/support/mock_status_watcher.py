#!/usr/bin/python3
"""A StatusNotifierWatcher with a host, as a desktop's panel offers it, for tests.

Items register with it as with a panel; orders on org.purlane.test.MockStatusWatcher at
/org/purlane/test:
  Items() -> as            "<sender> <service or path>" of each registered item
  Activate(i x, i y)       clicks the last item: its Activate(x, y), as a panel does
Prints "ready" once its name is owned.
"""

import sys

import dbus
import dbus.service

from mock_bus import serve

WATCHER = "org.kde.StatusNotifierWatcher"
CONTROL = "org.purlane.test.MockStatusWatcher"
PROPERTIES = "org.freedesktop.DBus.Properties"
# Toolkits read the properties through introspection, which dbus-python leaves out.
INTROSPECTION = """<node>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/>
   <arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
</node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []  # (sender, service or path)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        self.items.append((sender, service))
        self.StatusNotifierItemRegistered(service)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(
                [service for _, service in self.items], signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method("org.freedesktop.DBus.Introspectable", in_signature="",
                         out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()


class Control(dbus.service.Object):
    def __init__(self, bus, watcher):
        super().__init__(bus, "/org/purlane/test")
        self.watcher = watcher

    @dbus.service.method(CONTROL, in_signature="", out_signature="as")
    def Items(self):
        return dbus.Array([f"{s} {i}" for s, i in self.watcher.items], signature="s")

    @dbus.service.method(CONTROL, in_signature="ii", out_signature="")
    def Activate(self, x, y):
        sender, service = self.watcher.items[-1]
        # An item names a bus name (its path is then /StatusNotifierItem) or a path on the
        # sender's connection.
        name, path = (sender, service) if service.startswith("/") else (service,
                                                                        "/StatusNotifierItem")
        item = self.watcher.bus.get_object(name, path)
        item.Activate(dbus.Int32(x), dbus.Int32(y),
                      dbus_interface="org.kde.StatusNotifierItem", timeout=10)


def main():
    serve(WATCHER, lambda bus: Control(bus, Watcher(bus)))


if __name__ == "__main__":
    sys.exit(main())
