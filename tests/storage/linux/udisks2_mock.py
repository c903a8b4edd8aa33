'''A small UDisks2 for the drive tests, loaded as a python-dbusmock template.

Parameters (JSON):
  log: file that gets one line per call: "<object path> <method> [options]"
  drives: [{name, MediaAvailable, Ejectable, CanPowerOff, EjectError, PowerOffError}]
  blocks: [{name, drive, IdLabel, HintIgnore, HintSystem, HintAuto, filesystem, mounted: [paths],
            mountTarget, MountError, UnmountError}]
An *Error names the D-Bus error the method answers with.
'''

import dbus
from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
MAIN_IFACE = 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

BLOCK = 'org.freedesktop.UDisks2.Block'
FILESYSTEM = 'org.freedesktop.UDisks2.Filesystem'
DRIVE = 'org.freedesktop.UDisks2.Drive'


def mount_points(paths):
    # As UDisks2 sends them: byte arrays ending in a NUL.
    return dbus.Array([dbus.ByteArray(path.encode() + b'\0') for path in paths], signature='ay',
                      variant_level=1)


def load(mock, parameters):
    log = parameters.get('log')

    def record(obj, method, options=None):
        words = [obj.path, method]
        if options:
            words.append(','.join(f'{key}={bool(value)}' for key, value in sorted(options.items())))
        if log:
            with open(log, 'a', encoding='utf-8') as out:
                out.write(' '.join(words) + '\n')

    def answer(method, error):
        def call(self, options):
            record(self, method, options)
            if error:
                raise dbus.exceptions.DBusException('refused by the test', name=error)
        return call

    for drive in parameters.get('drives', []):
        path = '/org/freedesktop/UDisks2/drives/' + drive['name']
        mock.AddObject(path, DRIVE, {
            'MediaAvailable': dbus.Boolean(drive.get('MediaAvailable', True), variant_level=1),
            'Ejectable': dbus.Boolean(drive.get('Ejectable', False), variant_level=1),
            'CanPowerOff': dbus.Boolean(drive.get('CanPowerOff', False), variant_level=1),
            'Removable': dbus.Boolean(True, variant_level=1),
        }, [])
        obj = mockobject.objects[path]
        obj.AddMethod(DRIVE, 'Eject', 'a{sv}', '', answer('Eject', drive.get('EjectError')))
        obj.AddMethod(DRIVE, 'PowerOff', 'a{sv}', '', answer('PowerOff', drive.get('PowerOffError')))

    for block in parameters.get('blocks', []):
        path = '/org/freedesktop/UDisks2/block_devices/' + block['name']
        drive = '/org/freedesktop/UDisks2/drives/' + block['drive'] if block.get('drive') else '/'
        mock.AddObject(path, BLOCK, {
            'Device': dbus.ByteArray(('/dev/' + block['name']).encode() + b'\0', variant_level=1),
            'Drive': dbus.ObjectPath(drive, variant_level=1),
            'HintIgnore': dbus.Boolean(block.get('HintIgnore', False), variant_level=1),
            'HintSystem': dbus.Boolean(block.get('HintSystem', False), variant_level=1),
            'HintAuto': dbus.Boolean(block.get('HintAuto', True), variant_level=1),
            'IdLabel': dbus.String(block.get('IdLabel', ''), variant_level=1),
        }, [])
        if not block.get('filesystem', True):
            continue
        obj = mockobject.objects[path]
        obj.AddProperties(FILESYSTEM, {'MountPoints': mount_points(block.get('mounted', []))})

        def mount(self, options, target=block.get('mountTarget'), error=block.get('MountError')):
            record(self, 'Mount', options)
            if error or not target:
                raise dbus.exceptions.DBusException('cannot mount', name=error or 'org.freedesktop.UDisks2.Error.Failed')
            self.props[FILESYSTEM]['MountPoints'] = mount_points([target])
            return target

        def unmount(self, options, error=block.get('UnmountError')):
            record(self, 'Unmount', options)
            if error:
                raise dbus.exceptions.DBusException('busy', name=error)
            self.props[FILESYSTEM]['MountPoints'] = mount_points([])

        obj.AddMethod(FILESYSTEM, 'Mount', 'a{sv}', 's', mount)
        obj.AddMethod(FILESYSTEM, 'Unmount', 'a{sv}', '', unmount)
