"""What every stand-in service of the tests does on the session bus: its objects made, its name
owned (waiting while the stand-in of the test before leaves the bus), "ready" printed, then
serving until it is ended. Also what the stand-in portals share: their requests."""

import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

ROOT = "/org/freedesktop/portal/desktop"
REQUEST = "org.freedesktop.portal.Request"
SESSION = "org.freedesktop.portal.Session"


def sender_part(sender):
    """The caller's unique name as a portal writes it in object paths."""
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    """A portal request; its answer comes as the Response signal."""

    @dbus.service.method(REQUEST, in_signature="", out_signature="")
    def Close(self):
        self.remove_from_connection()

    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, response, results):
        pass


def own(bus, name):
    deadline = time.monotonic() + 10
    while True:
        try:
            return dbus.service.BusName(name, bus, do_not_queue=True)
        except dbus.exceptions.NameExistsException:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


def serve(name, make_objects):
    """Owns `name` once `make_objects(bus)` has put the service's objects on the bus; what it
    returns lives as long as the service."""
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    objects = make_objects(bus)
    owned = own(bus, name)
    print("ready", flush=True)
    try:
        GLib.MainLoop().run()
    finally:
        del owned, objects
