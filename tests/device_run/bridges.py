#!/usr/bin/env python3
"""Writes the export tables (.def) of the bridges, the ARM COREDLL.dll, AYGSHELL.dll and
COMMCTRL.dll that stand in for the device's libraries when the device DLLs run on Wine for
ARM, and the tables of Wine's own libraries that the bridges and the ARM programs link
against.

Every name the device DLLs import from COREDLL or COMMCTRL is forwarded to the Wine library
that exports it, unless the device's function differs from Wine's: those are written out
(WRITTEN_OUT, in bridge_coredll.cpp and wince/). AYGSHELL's functions have no Wine
counterpart and are all written out. A name that is neither written out nor found in Wine fails with its name, so a
new import of the product cannot slip through unbridged.

usage: bridges.py --wine WINE_DLL_DIR --out DIR DEVICE_DLL...
WINE_DLL_DIR: a folder of Wine's libraries as PE files, of the same release as Wine for ARM.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from pe_image import PEError, PEImage  # noqa: E402

# Device library -> {exported name: the bridge's own function}.
WRITTEN_OUT = {
    "COREDLL": {
        # the device's 560-byte find record
        "FindFirstFileW": "Device_FindFirstFileW",
        "FindNextFileW": "Device_FindNextFileW",
        # colour indices with the device's flag
        "GetSysColor": "Device_GetSysColor",
        # paths without a drive, device shortcuts (the device names them without a W)
        "SHGetFileInfo": "DeviceCall_SHGetFileInfoW",
        "ShellExecuteEx": "DeviceCall_ShellExecuteExW",
        "StretchBlt": "DeviceCall_StretchBlt",
        "RegDeleteKeyW": "DeviceCall_RegDeleteKeyW",
        "GetDlgItemInt": "DeviceCall_GetDlgItemInt",
        # a module's icon only at the system's icon size
        "LoadIconW": "DeviceCall_LoadIconW",
        # the device's own, not Wine's
        "TransparentImage": "TransparentImage",
        "SHLoadDIBitmap": "SHLoadDIBitmap",
    },
    "AYGSHELL": {
        "SHInitDialog": "SHInitDialog",
        "SHSipPreference": "SHSipPreference",
        "SHRecognizeGesture": "SHRecognizeGesture",
    },
    "COMMCTRL": {
        # classes registered only as asked (wince/controls.cpp)
        "InitCommonControlsEx": "DeviceCall_InitCommonControlsEx",
    },
}

# Device names of Unicode functions that Wine spells with their W: the same function.
SPELLED_WITH_W = {"SendMessageTimeout": "SendMessageTimeoutW"}

# Wine's libraries, in the order a name is looked up.
WINE_LIBRARIES = ("user32", "gdi32", "kernel32", "advapi32", "comctl32", "shell32", "msvcrt", "msimg32")


def exported_names(path):
    return sorted(PEImage.from_file(path).exports()[1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True, help="a folder of Wine's libraries (PE files)")
    parser.add_argument("--out", required=True)
    parser.add_argument("dll", nargs="+", help="the device DLLs (the plug-in, the setup DLL)")
    args = parser.parse_args()
    try:
        wine = {lib: exported_names(os.path.join(args.wine, lib + ".dll")) for lib in WINE_LIBRARIES}
        imports = [entry for dll in args.dll for entry in PEImage.from_file(dll).imports()]
    except (OSError, PEError) as error:
        sys.exit("bridges: %s" % error)
    os.makedirs(args.out, exist_ok=True)
    for lib, names in wine.items():
        with open(os.path.join(args.out, lib + ".def"), "w") as out:
            out.write("LIBRARY %s.dll\nEXPORTS\n" % lib + "".join("  %s\n" % n for n in names))
    owner = {}
    for lib in reversed(WINE_LIBRARIES):
        owner.update(dict.fromkeys(wine[lib], lib))

    wanted = {bridge: set() for bridge in WRITTEN_OUT}
    missing = []
    for dll, names, ordinals in imports:
        bridge = os.path.splitext(dll)[0].upper()
        if bridge not in wanted:
            missing.append("%s (a library with no bridge)" % dll)
            continue
        missing += ["%s ordinal %d (imported by ordinal)" % (dll, o) for o in ordinals]
        wanted[bridge].update(names)
    for bridge, names in wanted.items():
        lines = []
        for name in sorted(set(names) | set(WRITTEN_OUT[bridge])):
            if name in WRITTEN_OUT[bridge]:
                own = WRITTEN_OUT[bridge][name]
                lines.append("  %s" % name if own == name else "  %s = %s" % (name, own))
            elif name in owner:
                lines.append("  %s = %s.%s" % (name, owner[name], name))
            elif SPELLED_WITH_W.get(name) in owner:
                wide = SPELLED_WITH_W[name]
                lines.append("  %s = %s.%s" % (name, owner[wide], wide))
            else:
                missing.append("%s!%s (neither written out nor in Wine's libraries)" % (bridge, name))
        with open(os.path.join(args.out, bridge + ".def"), "w") as out:
            out.write("LIBRARY %s.dll\nEXPORTS\n%s\n" % (bridge, "\n".join(lines)))
    if missing:
        sys.exit("bridges: the device DLL imports what no bridge offers: " + ", ".join(missing))


if __name__ == "__main__":
    main()
