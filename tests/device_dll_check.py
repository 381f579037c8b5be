#!/usr/bin/env python3
"""Checks the device build of tapshelf.dll, apart from its imports (device_api_check.py
--dll sees to those).

- An ARM (0x01C0) DLL for the Windows CE GUI subsystem (9), with its base relocations:
  the device loads a DLL wherever its slot has room.
- Every data directory lies inside the image: the loader reads each one at the image base
  plus its address.
- It exports ordinals 240 and 241 and no names (the rule of dll_exports_check.py).
- Its resources: the icon 102 with the images its group lists, the dialogs 103, 104, 105
  and 500, and every dialog byte for byte as in the desktop build of the same .rc, and the
  high-resolution marker: CEUX "HI_RES_AWARE" holding the 16-bit 1.

Reads the files alone (pe_image), so it needs neither Wine nor a device.
Usage: device_dll_check.py --desktop DESKTOP_DLL DEVICE_DLL
One line per check, then PASS or FAIL. Exit 0 on PASS, 1 on FAIL, 2 when the check cannot
be made, 77 (skipped) when there is no device DLL: no device build was made.
"""
import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import dll_exports_check  # noqa: E402
from device_api_check import SKIPPED, device_build_missing  # noqa: E402
from pe_image import DIR_SECURITY, PEError, PEImage, RT_DIALOG, RT_GROUP_ICON, RT_ICON  # noqa: E402

ARM = 0x01C0
CE_GUI = 9
ICON = 102
DIALOGS = (103, 104, 105, 500)
HI_RES_MARKER = ("CEUX", "HI_RES_AWARE")


def of_type(resources, kind):
    """{name: {language: bytes}} of one resource type; string ids compare in upper case."""
    upper = lambda key: key.upper() if isinstance(key, str) else key  # noqa: E731
    found = {}
    for (rtype, name, language), data in resources.items():
        if upper(rtype) == upper(kind):
            found.setdefault(upper(name), {})[language] = data
    return found


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def compare_dialog(number, device, desktop):
    """(passed, line) for one dialog: {language: template} of each build."""
    if device is None or desktop is None:
        return False, "dialog %s: missing from the %s build" % (
            number, "device" if device is None else "desktop")
    if set(device) != set(desktop):
        return False, "dialog %s: languages %s on the device, %s on the desktop" % (
            number, sorted(device), sorted(desktop))
    for language in sorted(device):
        a, b = device[language], desktop[language]
        if a != b:
            at = first_difference(a, b)
            return False, ("dialog %s (language 0x%04x): differs from the desktop build's at "
                           "byte 0x%x (device %d bytes: %s; desktop %d bytes: %s)"
                           % (number, language, at, len(a), a[at:at + 12].hex(" "),
                              len(b), b[at:at + 12].hex(" ")))
    return True, "dialog %s: %d bytes, as in the desktop build" % (number, len(a))


def icon_check(groups, icons):
    group = groups.get(ICON)
    if not group:
        return False, "icon %d: no icon group" % ICON
    data = next(iter(group.values()))
    count = struct.unpack_from("<H", data, 4)[0] if len(data) >= 6 else 0
    if not count or len(data) < 6 + 14 * count:
        return False, "icon %d: the group lists no images or is cut short" % ICON
    faults = []
    for i in range(count):
        size, image = struct.unpack_from("<IH", data, 6 + 14 * i + 8)
        found = [len(d) for d in icons.get(image, {}).values()]
        if size not in found:
            faults.append("image %d (%d bytes) %s" % (image, size, "has %s bytes" % found
                                                       if found else "is missing"))
    if faults:
        return False, "icon %d: %s" % (ICON, "; ".join(faults))
    return True, "icon %d: a group of %d images, all present" % (ICON, count)


DIRECTORY_NAMES = ("export", "import", "resource", "exception", "certificate", "relocation",
                   "debug", "architecture", "global pointer", "thread storage", "load config",
                   "bound import", "import address table", "delay import", "runtime header",
                   "reserved")


def directories_check(image):
    """(passed, line): every data directory in use lies inside the image. The certificate
    table's entry is a file offset, not an address: it lies inside the file."""
    faults, used = [], 0
    for index, (address, size) in enumerate(image.directories):
        if not address and not size:
            continue
        used += 1
        end, limit = address + size, len(image.data) if index == DIR_SECURITY else image.image_size
        if not address or end > limit:
            faults.append("%s at 0x%x (%d bytes) ends beyond the %s (0x%x)" % (
                DIRECTORY_NAMES[index], address, size,
                "file" if index == DIR_SECURITY else "image", limit))
    if faults:
        return False, "data directories: %s" % "; ".join(faults)
    return True, "data directories: all %d in use lie inside the image (0x%x bytes)" % (
        used, image.image_size)


def checks(device, desktop):
    """(passed, line) for every check of the device DLL against the desktop one."""
    yield device.machine == ARM, "machine: %s (0x%04x)%s" % (
        device.machine_name, device.machine, "" if device.machine == ARM else ", not ARM")
    yield device.is_dll, "a DLL: %s" % ("yes" if device.is_dll else "no, IMAGE_FILE_DLL unset")
    yield device.subsystem == CE_GUI, "subsystem: %d, version %d.%02d%s" % (
        device.subsystem, device.subsystem_major, device.subsystem_minor,
        " (Windows CE GUI)" if device.subsystem == CE_GUI else ", not Windows CE GUI (9)")
    relocatable = device.has_relocations() and not device.relocs_stripped
    yield relocatable, "base relocations: %s, %s" % (
        "present" if device.has_relocations() else "NONE",
        "marked stripped" if device.relocs_stripped else "not stripped")
    yield directories_check(device)
    ordinals, names = device.exports()
    fault = dll_exports_check.export_fault(ordinals, sorted(names))
    yield not fault, "exports: ordinals %s; names %s%s" % (
        sorted(ordinals), sorted(names) or "none", "; " + fault if fault else "")

    resources, theirs = device.resources(), desktop.resources()
    yield icon_check(of_type(resources, RT_GROUP_ICON), of_type(resources, RT_ICON))
    dialogs, desktop_dialogs = of_type(resources, RT_DIALOG), of_type(theirs, RT_DIALOG)
    for number in sorted(set(DIALOGS) | set(desktop_dialogs), key=str):
        yield compare_dialog(number, dialogs.get(number), desktop_dialogs.get(number))
    marker = of_type(resources, HI_RES_MARKER[0]).get(HI_RES_MARKER[1], {})
    values = [data.hex(" ") for data in marker.values()]
    yield values == ["01 00"], "high resolution: %s %s %s" % (
        HI_RES_MARKER + ("holds 16-bit 1" if values == ["01 00"] else
                         "holds %s, not the 16-bit 1" % values if values else "is missing",))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--desktop", required=True, help="the desktop build's tapshelf.dll")
    parser.add_argument("device", help="the device build's tapshelf.dll")
    args = parser.parse_args()
    if device_build_missing(args.device):
        return SKIPPED
    try:
        device, desktop = PEImage.from_file(args.device), PEImage.from_file(args.desktop)
        results = list(checks(device, desktop))
    except (PEError, OSError) as error:
        print("ERROR: %s" % error, file=sys.stderr)
        return 2
    for passed, line in results:
        print("%s %s" % ("ok  " if passed else "FAIL", line))
    failed = sum(1 for passed, _ in results if not passed)
    if failed:
        print("FAIL: %d of the %d checks of %s failed" % (failed, len(results), args.device))
        return 1
    print("PASS: %s is a device build of the plug-in (%d checks)" % (args.device, len(results)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
