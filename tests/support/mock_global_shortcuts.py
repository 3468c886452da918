#!/usr/bin/python3
"""A desktop portal offering global shortcuts (version 1) on the session bus, for tests.

It answers CreateSession and BindShortcuts through Request objects, as the portal does, and
takes orders on org.purlane.test.MockGlobalShortcuts at /org/purlane/test:
  Bound() -> a(ss)         shortcut ids and preferred triggers of the last bind
  BindCount() -> u         how many binds were answered
  OpenSessions() -> u      sessions not closed
  Press(s id)              emits Activated for the id
  Release(s id)            emits Deactivated for the id
  ChooseKeys(s id, s keys) later binds report `keys` as that shortcut's trigger
  BindOnce()               a session's second bind fails, as the portal may do
Prints "ready" once its names are owned.
"""

import sys

import dbus
import dbus.service
from gi.repository import GLib

from mock_bus import ROOT, SESSION, Request, sender_part, serve

PORTAL = "org.freedesktop.portal.GlobalShortcuts"
CONTROL = "org.purlane.test.MockGlobalShortcuts"


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        self.portal.sessions.discard(self.__dbus_object_path__)
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, ROOT)
        self.bus = bus
        self.sessions = set()
        self.bound = []
        self.binds = 0
        self.chosen = {}
        self.last_session = None
        self.bind_once = False
        self.bound_sessions = set()

    def answer(self, reply, path, response, results):
        # The handle first, then the answer, as a portal answers once the user has decided;
        # nothing else comes in between, so a test's next call sees the answer given.
        reply(dbus.ObjectPath(path))
        request = Request(self.bus, path)
        request.Response(dbus.UInt32(response), results)
        request.remove_from_connection()

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == PORTAL and name == "version":
            return dbus.UInt32(1, variant_level=1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(PORTAL, in_signature="a{sv}", out_signature="o", sender_keyword="sender",
                         async_callbacks=("reply", "error"))
    def CreateSession(self, options, sender=None, reply=None, error=None):
        part = sender_part(sender)
        handle = "%s/request/%s/%s" % (ROOT, part, options["handle_token"])
        session = "%s/session/%s/%s" % (ROOT, part, options["session_handle_token"])
        Session(self.bus, session, self)
        self.sessions.add(session)
        self.last_session = session
        self.answer(reply, handle, 0, {"session_handle": dbus.String(session, variant_level=1)})

    @dbus.service.method(PORTAL, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender", async_callbacks=("reply", "error"))
    def BindShortcuts(self, session, shortcuts, parent_window, options, sender=None, reply=None,
                      error=None):
        handle = "%s/request/%s/%s" % (ROOT, sender_part(sender), options["handle_token"])
        if session not in self.sessions or (self.bind_once and session in self.bound_sessions):
            self.answer(reply, handle, 2, {})
            return
        self.bound_sessions.add(session)
        self.bound = [(str(i), str(p.get("preferred_trigger", ""))) for i, p in shortcuts]
        self.binds += 1
        result = dbus.Array([], signature="(sa{sv})")
        for shortcut_id, trigger in self.bound:
            description = self.chosen.get(shortcut_id, trigger)
            result.append(dbus.Struct(
                (shortcut_id, {"description": dbus.String("", variant_level=1),
                               "trigger_description": dbus.String(description, variant_level=1)}),
                signature="sa{sv}"))
        self.answer(reply, handle, 0, {"shortcuts": dbus.Array(result, signature="(sa{sv})",
                                                               variant_level=1)})

    @dbus.service.signal(PORTAL, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(PORTAL, signature="osta{sv}")
    def Deactivated(self, session, shortcut_id, timestamp, options):
        pass


class Control(dbus.service.Object):
    def __init__(self, bus, portal):
        super().__init__(bus, "/org/purlane/test")
        self.portal = portal

    @dbus.service.method(CONTROL, in_signature="", out_signature="a(ss)")
    def Bound(self):
        return dbus.Array(self.portal.bound, signature="(ss)")

    @dbus.service.method(CONTROL, in_signature="", out_signature="u")
    def BindCount(self):
        return dbus.UInt32(self.portal.binds)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def Press(self, shortcut_id):
        self.portal.Activated(dbus.ObjectPath(self.portal.last_session), shortcut_id,
                              dbus.UInt64(GLib.get_monotonic_time() // 1000), {})

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def Release(self, shortcut_id):
        self.portal.Deactivated(dbus.ObjectPath(self.portal.last_session), shortcut_id,
                                dbus.UInt64(GLib.get_monotonic_time() // 1000), {})

    @dbus.service.method(CONTROL, in_signature="ss", out_signature="")
    def ChooseKeys(self, shortcut_id, keys):
        self.portal.chosen[shortcut_id] = keys

    @dbus.service.method(CONTROL, in_signature="", out_signature="u")
    def OpenSessions(self):
        return dbus.UInt32(len(self.portal.sessions))

    @dbus.service.method(CONTROL, in_signature="", out_signature="")
    def BindOnce(self):
        self.portal.bind_once = True


def main():
    serve("org.freedesktop.portal.Desktop", lambda bus: Control(bus, Portal(bus)))


if __name__ == "__main__":
    sys.exit(main())
