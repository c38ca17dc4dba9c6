#!/usr/bin/python3
# A stand-in for ModemManager on the bus DBUS_SYSTEM_BUS_ADDRESS names: one
# modem, whose ports are the device names given, listed by the object
# manager as ModemManager lists them.
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])


class Manager(dbus.service.Object):
    @dbus.service.method("org.freedesktop.DBus.ObjectManager", out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        ports = dbus.Array([dbus.Struct((name, dbus.UInt32(3)), signature="su") for name in sys.argv[1:]],
                           signature="(su)")
        modem = {"Manufacturer": "Quectel", "Model": "EG25-G", "Ports": ports}
        return {dbus.ObjectPath("/org/freedesktop/ModemManager1/Modem/0"): {"org.freedesktop.ModemManager1.Modem": modem}}


name = dbus.service.BusName("org.freedesktop.ModemManager1", bus)
Manager(bus, "/org/freedesktop/ModemManager1")
print("ready", flush=True)
GLib.MainLoop().run()
