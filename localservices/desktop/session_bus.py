"""The private session bus of a harness (DBUS_SESSION_BUS_ADDRESS), through GLib's Python
bindings: calls, a tray host's menu click, a connection of one's own, a monitor of what
crosses the bus, and a scripted service that owns a name and answers as told. For the tests that play or watch a
desktop's tray watcher and notification server."""

import os
import threading
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402


def call(destination, path, interface, method, signature, args, timeout=5000):
    return Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        destination, path, interface, method, GLib.Variant(signature, args), None, 0,
        timeout).unpack()


def private_connection(handler):
    """A connection of its own to the session bus whose incoming messages go to handler, a
    GDBus filter (which runs in GDBus's worker thread)."""
    connection = Gio.DBusConnection.new_for_address_sync(
        os.environ["DBUS_SESSION_BUS_ADDRESS"], Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
        | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
    connection.add_filter(handler)
    return connection


def menu_click(name, menu, label):
    """Sends dbusmenu's "clicked" for the entry called label of the menu at name and path menu,
    as a tray host does."""
    layout = call(name, menu, "com.canonical.dbusmenu", "GetLayout", "(iias)", (0, -1, []))
    entry = next(i for i, props, _ in layout[1][2]
                 if props.get("label", "").replace("&", "").replace("_", "") == label)
    call(name, menu, "com.canonical.dbusmenu", "Event", "(isvu)",
         (entry, "clicked", GLib.Variant("i", 0), 0))


class BusMonitor:
    """Records (member, sender, body) of the calls and signals that match rules, and the
    answer to each such call as (member + "Reply", the caller, body)."""

    def __init__(self, rules):
        self.messages = []
        self.calls = {}  # (caller, serial): member
        self.lock = threading.Lock()
        self.connection = private_connection(self.record)
        self.connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus.Monitoring", "BecomeMonitor",
                                  GLib.Variant("(asu)", (rules + ["type='method_return'"], 0)),
                                  None, 0, 5000)

    def record(self, connection, message, incoming):
        kind = message.get_message_type()
        if not incoming or kind not in (Gio.DBusMessageType.METHOD_CALL,
                                        Gio.DBusMessageType.SIGNAL,
                                        Gio.DBusMessageType.METHOD_RETURN):
            return message
        body = message.get_body()
        member, by = message.get_member(), message.get_sender()
        if kind == Gio.DBusMessageType.METHOD_RETURN:
            if message.get_destination() == connection.get_unique_name():
                return message  # BecomeMonitor's
            by = message.get_destination()
            with self.lock:
                member = self.calls.get((by, message.get_reply_serial()))
            if member is None:
                return None
            member += "Reply"
        elif kind == Gio.DBusMessageType.METHOD_CALL:
            with self.lock:
                self.calls[(by, message.get_serial())] = member
        self.messages.append((member, by, body.unpack() if body else ()))
        return None

    def seen(self, member, sender=None):
        return [body for name, by, body in list(self.messages)
                if name == member and sender in (None, by)]

    def close(self):
        self.connection.close_sync()


class ScriptedService:
    """Owns a bus name on a connection of its own, its signals coming from path, and answers
    each method call with answers[member](sender, args): a reply body, or None to hold the
    call (in held)."""

    def __init__(self, name, path, answers):
        self.name, self.answers, self.path = name, answers, path
        self.calls = []  # (member, sender, args, time)
        self.held = []
        self.connection = private_connection(self.answer)
        self.connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "RequestName",
                                  GLib.Variant("(su)", (name, 4)), None, 0, 5000)

    def answer(self, _connection, message, incoming):
        if not incoming or message.get_message_type() != Gio.DBusMessageType.METHOD_CALL:
            return message
        body = message.get_body()
        call = (message.get_member(), message.get_sender(), body.unpack() if body else ())
        reply = self.answers[call[0]](*call[1:])
        self.held.append(message) if reply is None else self.reply(message, reply)
        self.calls.append(call + (time.monotonic(),))
        return None

    def reply(self, message, body):
        reply = message.new_method_reply()
        reply.set_body(body)
        self.connection.send_message(reply, Gio.DBusSendMessageFlags.NONE)

    def seen(self, member, sender=None):
        """The arguments of each such call, with its time."""
        return [(args, at) for name, by, args, at in list(self.calls)
                if name == member and sender in (None, by)]

    def emit(self, member, signature, args):
        """Emits a signal of the interface that has the service's name, from its path."""
        self.connection.emit_signal(None, self.path, self.name, member,
                                    GLib.Variant(signature, args))

    def close(self):
        if not self.connection.is_closed():
            self.connection.close_sync()
