# SPDX-License-Identifier: GPL-3.0-or-later
'''python3-dbusmock template: UDisks' drive objects as far as the disks' spin-down goes.

Drives are added with the mock method AddDrive(id, model, pm_supported, refuse). Each has
org.freedesktop.UDisks2.Drive (Vendor, Model, Id, Configuration, SetConfiguration) and
org.freedesktop.UDisks2.Drive.Ata (PmSupported). SetConfiguration behaves as UDisks does when polkit
says auth_admin_keep: without user interaction it is refused as "can obtain"; a drive added with
refuse stands for a policy that says no; otherwise the configuration is kept in Configuration.
'''

import dbus

from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
MAIN_IFACE = 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

DRIVE = 'org.freedesktop.UDisks2.Drive'
ATA = 'org.freedesktop.UDisks2.Drive.Ata'


def load(mock, parameters):
    mock.AddProperties(MAIN_IFACE, {'Version': dbus.String('2.9.4', variant_level=1)})


def set_configuration(refuse):
    def method(self, value, options):
        if options.get('auth.no_user_interaction', False):
            raise dbus.exceptions.DBusException(
                'Not authorized to perform operation',
                name='org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain')
        if refuse:
            raise dbus.exceptions.DBusException(
                'Not authorized to perform operation', name='org.freedesktop.UDisks2.Error.NotAuthorized')
        self.Set(DRIVE, 'Configuration', dbus.Dictionary(value, signature='sv'))
    return method


@dbus.service.method(MOCK_IFACE, in_signature='ssbb', out_signature='s')
def AddDrive(self, drive_id, model, pm_supported, refuse):
    path = MAIN_OBJ + '/drives/' + drive_id.replace('-', '_')
    self.AddObject(path, DRIVE, {
        'Vendor': dbus.String('', variant_level=1),
        'Model': dbus.String(model, variant_level=1),
        'Id': dbus.String(drive_id, variant_level=1),
        'Configuration': dbus.Dictionary({}, signature='sv', variant_level=1),
    }, [])
    drive = dbusmock_objects()[path]
    drive.AddMethod(DRIVE, 'SetConfiguration', 'a{sv}a{sv}', '', set_configuration(refuse))
    drive.AddProperties(ATA, {'PmSupported': dbus.Boolean(pm_supported, variant_level=1)})
    return path


def dbusmock_objects():
    from dbusmock import mockobject
    return mockobject.objects
