#!/usr/bin/python3
"""A desktop portal offering RemoteDesktop (version 2) and Clipboard on the session bus, for tests.

Debian 12's portal has no Clipboard interface; this one forwards each session to Mutter's own
remote-desktop API (org.gnome.Mutter.RemoteDesktop) on the same bus, as GNOME's portal backend
does. Where a real portal shows a permission dialog, this one approves at once and counts the
dialog; a valid restore token skips it. Requests are answered through Request objects.

Orders on org.purlane.test.MockPortal at /org/purlane/test:
  DialogsShown() -> u       how many permission dialogs Start "showed"
  Refuse(u response)        later Starts answer with this response (0 approves again)
  CloseAll()                ends every session, as when the user revokes access
  Mute(b)                   while true, owner changes are not announced
Refuses from the start with the response in $MOCK_PORTAL_REFUSE.
Prints "ready" once its names are owned.
"""

import os
import sys
import uuid

import dbus
import dbus.service
from gi.repository import GLib

from mock_bus import ROOT, SESSION, Request, sender_part, serve

REMOTE_DESKTOP = "org.freedesktop.portal.RemoteDesktop"
CLIPBOARD = "org.freedesktop.portal.Clipboard"
PROPERTIES = "org.freedesktop.DBus.Properties"
CONTROL = "org.purlane.test.MockPortal"
MUTTER = "org.gnome.Mutter.RemoteDesktop"
MUTTER_SESSION = "org.gnome.Mutter.RemoteDesktop.Session"
KEYBOARD = 1
SHIFT_L = 0xFFE1


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal, sender):
        super().__init__(bus, path)
        self.portal = portal
        self.sender = sender
        self.path = path
        self.types = 0
        self.persist = 0
        self.restore = None
        self.clipboard = False
        self.mutter = None

    def mutter_call(self, method, *args):
        return getattr(self.mutter, method)(*args, dbus_interface=MUTTER_SESSION)

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        self.end()

    @dbus.service.signal(SESSION, signature="a{sv}")
    def Closed(self, details):
        pass

    def end(self):
        if self.path not in self.portal.sessions:
            return
        del self.portal.sessions[self.path]
        if self.mutter is not None:
            try:
                self.mutter_call("Stop")
            except dbus.DBusException:
                pass
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, ROOT)
        self.bus = bus
        self.sessions = {}
        self.tokens = set()
        self.dialogs = 0
        self.refusal = int(os.environ.get("MOCK_PORTAL_REFUSE", "0") or 0)
        self.serial = 0
        self.muted = False
        bus.add_signal_receiver(
            self.name_owner_changed,
            signal_name="NameOwnerChanged",
            dbus_interface="org.freedesktop.DBus",
        )

    def name_owner_changed(self, name, old, new):
        if new == "" and name.startswith(":"):
            for session in [s for s in self.sessions.values() if s.sender == name]:
                session.end()

    def answer(self, sender, options, response, results):
        token = str(options.get("handle_token", ""))
        if not token:
            self.serial += 1
            token = "mock%d" % self.serial
        path = "%s/request/%s/%s" % (ROOT, sender_part(sender), token)
        request = Request(self.bus, path)

        def respond():
            request.Response(dbus.UInt32(response), dbus.Dictionary(results, signature="sv"))
            request.remove_from_connection()
            return False

        # After the method's reply, as the portal answers.
        GLib.idle_add(respond)
        return dbus.ObjectPath(path)

    def session(self, handle, sender):
        session = self.sessions.get(str(handle))
        if session is None or session.sender != sender:
            raise dbus.DBusException("no such session", name="org.freedesktop.portal.Error.NotFound")
        return session

    def properties(self, interface):
        if interface == REMOTE_DESKTOP:
            return {"version": dbus.UInt32(2), "AvailableDeviceTypes": dbus.UInt32(7)}
        if interface == CLIPBOARD:
            return {"version": dbus.UInt32(1)}
        raise dbus.DBusException("no such interface", name="org.freedesktop.DBus.Error.UnknownInterface")

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = self.properties(interface)
        if name not in values:
            raise dbus.DBusException("no such property", name="org.freedesktop.DBus.Error.UnknownProperty")
        return values[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties(interface)

    # RemoteDesktop

    @dbus.service.method(REMOTE_DESKTOP, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        path = "%s/session/%s/%s" % (ROOT, sender_part(sender), options.get("session_handle_token", "s"))
        self.sessions[path] = Session(self.bus, path, self, sender)
        return self.answer(sender, options, 0, {"session_handle": dbus.String(path)})

    @dbus.service.method(REMOTE_DESKTOP, in_signature="oa{sv}", out_signature="o", sender_keyword="sender")
    def SelectDevices(self, handle, options, sender=None):
        session = self.session(handle, sender)
        session.types = int(options.get("types", KEYBOARD))
        session.persist = int(options.get("persist_mode", 0))
        session.restore = options.get("restore_token")
        return self.answer(sender, options, 0, {})

    @dbus.service.method(REMOTE_DESKTOP, in_signature="osa{sv}", out_signature="o", sender_keyword="sender")
    def Start(self, handle, parent_window, options, sender=None):
        session = self.session(handle, sender)
        if self.refusal:
            return self.answer(sender, options, self.refusal, {})
        restored = session.restore is not None and str(session.restore) in self.tokens
        if restored:
            # A restore token is good for one session; the next one gets a new token.
            self.tokens.discard(str(session.restore))
        else:
            self.dialogs += 1
        self.start_mutter(session)
        results = {"devices": dbus.UInt32(session.types & 7), "clipboard_enabled": dbus.Boolean(session.clipboard)}
        if session.persist:
            token = uuid.uuid4().hex
            self.tokens.add(token)
            results["restore_token"] = dbus.String(token)
        return self.answer(sender, options, 0, results)

    def start_mutter(self, session):
        remote = self.bus.get_object(MUTTER, "/org/gnome/Mutter/RemoteDesktop")
        path = remote.CreateSession(dbus_interface=MUTTER)
        session.mutter = self.bus.get_object(MUTTER, path)
        session.mutter.connect_to_signal(
            "SelectionOwnerChanged", lambda o: self.owner_changed(session, o), dbus_interface=MUTTER_SESSION
        )
        session.mutter.connect_to_signal(
            "SelectionTransfer", lambda m, s: self.SelectionTransfer(session.path, m, s), dbus_interface=MUTTER_SESSION
        )
        session.mutter.connect_to_signal("Closed", lambda: self.mutter_closed(session), dbus_interface=MUTTER_SESSION)
        if session.clipboard:
            session.mutter_call("EnableClipboard", dbus.Dictionary({}, signature="sv"))
        session.mutter_call("Start")
        # A headless Mutter has no keyboard on its seat until a device first sends a key, and
        # that first key is lost; a real desktop has one.
        session.mutter_call("NotifyKeyboardKeysym", dbus.UInt32(SHIFT_L), True)
        session.mutter_call("NotifyKeyboardKeysym", dbus.UInt32(SHIFT_L), False)

    def mutter_closed(self, session):
        if session.path in self.sessions:
            session.Closed({})
            session.mutter = None
            session.end()

    def owner_changed(self, session, options):
        if self.muted:
            return
        types = options.get("mime-types", [])
        # Mutter wraps the list in a one-element tuple.
        if isinstance(types, dbus.Struct):
            types = types[0] if len(types) else []
        details = {
            "mime_types": dbus.Array([str(t) for t in types], signature="s"),
            "session_is_owner": dbus.Boolean(bool(options.get("session-is-owner", False))),
        }
        self.SelectionOwnerChanged(session.path, details)

    @dbus.service.method(REMOTE_DESKTOP, in_signature="oa{sv}iu", out_signature="", sender_keyword="sender")
    def NotifyKeyboardKeysym(self, handle, options, keysym, state, sender=None):
        session = self.session(handle, sender)
        if not session.types & KEYBOARD or session.mutter is None:
            raise dbus.DBusException("keyboard not granted", name="org.freedesktop.portal.Error.NotAllowed")
        session.mutter_call("NotifyKeyboardKeysym", dbus.UInt32(keysym), bool(state))

    # Clipboard

    @dbus.service.method(CLIPBOARD, in_signature="oa{sv}", out_signature="", sender_keyword="sender")
    def RequestClipboard(self, handle, options, sender=None):
        self.session(handle, sender).clipboard = True

    @dbus.service.method(CLIPBOARD, in_signature="oa{sv}", out_signature="", sender_keyword="sender")
    def SetSelection(self, handle, options, sender=None):
        session = self.session(handle, sender)
        types = dbus.Array([str(t) for t in options.get("mime_types", [])], signature="s")
        session.mutter_call("SetSelection", dbus.Dictionary({"mime-types": types}, signature="sv"))

    @dbus.service.method(CLIPBOARD, in_signature="ou", out_signature="h", sender_keyword="sender")
    def SelectionWrite(self, handle, serial, sender=None):
        return self.pass_fd(self.session(handle, sender).mutter_call("SelectionWrite", serial))

    @dbus.service.method(CLIPBOARD, in_signature="oub", out_signature="", sender_keyword="sender")
    def SelectionWriteDone(self, handle, serial, success, sender=None):
        self.session(handle, sender).mutter_call("SelectionWriteDone", serial, success)

    @dbus.service.method(CLIPBOARD, in_signature="os", out_signature="h", sender_keyword="sender")
    def SelectionRead(self, handle, mime_type, sender=None):
        return self.pass_fd(self.session(handle, sender).mutter_call("SelectionRead", mime_type))

    @staticmethod
    def pass_fd(received):
        fd = received.take()
        try:
            return dbus.types.UnixFd(fd)
        finally:
            os.close(fd)

    @dbus.service.signal(CLIPBOARD, signature="oa{sv}")
    def SelectionOwnerChanged(self, session, options):
        pass

    @dbus.service.signal(CLIPBOARD, signature="osu")
    def SelectionTransfer(self, session, mime_type, serial):
        pass


class Control(dbus.service.Object):
    def __init__(self, bus, portal):
        super().__init__(bus, "/org/purlane/test")
        self.portal = portal

    @dbus.service.method(CONTROL, in_signature="", out_signature="u")
    def DialogsShown(self):
        return self.portal.dialogs

    @dbus.service.method(CONTROL, in_signature="u", out_signature="")
    def Refuse(self, response):
        self.portal.refusal = int(response)

    @dbus.service.method(CONTROL, in_signature="b", out_signature="")
    def Mute(self, muted):
        self.portal.muted = bool(muted)

    @dbus.service.method(CONTROL, in_signature="", out_signature="")
    def CloseAll(self):
        for session in list(self.portal.sessions.values()):
            session.Closed({})
            session.end()


def main():
    serve("org.freedesktop.portal.Desktop", lambda bus: Control(bus, Portal(bus)))


if __name__ == "__main__":
    sys.exit(main())
