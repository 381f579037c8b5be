#!/usr/bin/env python3
"""Makes Tapshelf.cab, the installer a Pocket PC owner opens from File Explorer.

Usage: make-cab.py --dll build-device/tapshelf.dll --registration resources/today_item.reg
                   --out build-device/Tapshelf.cab

The CAB holds the device installer's _setup.xml and the DLL under its stored 8.3 name. The
registration (a .reg text) gives the registry values, and its "DLL" value gives the folder
and name the DLL is installed as, so the two cannot drift. Packed with gcab (MSZIP)."""
import argparse
import ntpath
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

APP_NAME = "Tapshelf"
INSTALL_DIR = r"%CE1%\Tapshelf"   # \Program Files\Tapshelf: the app's home in Remove Programs
OS_VERSION_MIN = "5.01"           # Windows Mobile 5
TODAY_ITEMS = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Today\\Items\\"
ROOTS = {"HKEY_LOCAL_MACHINE": "HKLM", "HKEY_CURRENT_USER": "HKCU", "HKEY_CLASSES_ROOT": "HKCR"}
# Device folders by the installer's macro. \Windows alone is enough for a Today item.
FOLDERS = {"\\windows": "%CE2%"}

HEADER = "Windows Registry Editor Version 5.00"
KEY_LINE = re.compile(r"^\[([^\]]+)\]$")
VALUE_LINE = re.compile(r'^"((?:[^"\\]|\\.)*)"=(.*)$')
STRING_DATA = re.compile(r'^"((?:[^"\\]|\\.)*)"$')
DWORD_DATA = re.compile(r"^dword:([0-9A-Fa-f]{1,8})$")


class CabError(Exception):
    """A fault of the input, told in one line."""


def _unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


def parse_registration(text):
    """[(key, [(name, "string"|"dword", value)])] from .reg text. Keys keep the root's long
    name (HKEY_LOCAL_MACHINE\\...). Anything but strings and dwords is refused."""
    lines = text.lstrip("\ufeff").splitlines()
    if not lines or lines[0].strip() != HEADER:
        raise CabError("registration: the first line must be %r" % HEADER)
    keys = []
    for number, raw in enumerate(lines[1:], start=2):
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        key = KEY_LINE.match(line)
        if key:
            root = key.group(1).split("\\", 1)[0]
            if root not in ROOTS:
                raise CabError("registration line %d: unsupported key %s" % (number, line))
            keys.append((key.group(1), []))
            continue
        value = VALUE_LINE.match(line)
        if not value or not keys:
            raise CabError("registration line %d: not a key or a named value: %s" % (number, line))
        name, data = _unescape(value.group(1)), value.group(2)
        string, dword = STRING_DATA.match(data), DWORD_DATA.match(data)
        if string:
            entry = (name, "string", _unescape(string.group(1)))
        elif dword:
            entry = (name, "dword", int(dword.group(1), 16))
        else:
            raise CabError("registration line %d: only \"strings\" and dword: values: %s"
                           % (number, line))
        if any(name == known for known, _, _ in keys[-1][1]):
            raise CabError("registration line %d: %r given twice" % (number, name))
        keys[-1][1].append(entry)
    if not keys:
        raise CabError("registration: no key")
    return keys


def dll_target(keys):
    """(folder macro, file name) of the DLL on the device, from the Today item's "DLL"."""
    paths = [value for key, values in keys if key.startswith(TODAY_ITEMS)
             for name, kind, value in values if name == "DLL" and kind == "string"]
    if len(paths) != 1:
        raise CabError("registration: want one Today item with a \"DLL\" string, found %d"
                       % len(paths))
    folder, name = ntpath.split(paths[0])
    if folder.lower() not in FOLDERS or not name:
        raise CabError("registration: DLL %s is not in a known device folder (%s)"
                       % (paths[0], ", ".join(FOLDERS)))
    return FOLDERS[folder.lower()], name


def stored_name(file_name, number):
    """The name a file has inside the CAB, as the device installer's CABs name them: six
    characters of the name, ~1, and the file's number as the extension (TAPSHE~1.001)."""
    base = re.sub(r"[^A-Z0-9]", "", ntpath.splitext(file_name)[0].upper())[:6] or "FILE"
    return "%s~1.%03d" % (base, number)


def _parm(parent, name, value=None, **attributes):
    element = ET.SubElement(parent, "parm", name=name)
    if value is not None:
        element.set("value", value)
    for attribute, text in attributes.items():
        element.set(attribute, text)
    return element


def setup_document(keys, folder, file_name, stored):
    """The _setup.xml provisioning document: install the DLL into folder as file_name from
    the stored file, and write the registration's keys."""
    doc = ET.Element("wap-provisioningdoc")
    install = ET.SubElement(doc, "characteristic", type="Install")
    _parm(install, "InstallPhase", "install")
    _parm(install, "OSVersionMin", OS_VERSION_MIN)
    _parm(install, "AppName", APP_NAME)
    _parm(install, "InstallDir", INSTALL_DIR, translation="install")
    _parm(install, "NumDirs", "1")
    _parm(install, "NumFiles", "1")
    _parm(install, "NumRegKeys", str(len(keys)))
    _parm(install, "NumRegVals", str(sum(len(values) for _, values in keys)))
    _parm(install, "NumShortcuts", "0")

    files = ET.SubElement(doc, "characteristic", type="FileOperation")
    target = ET.SubElement(files, "characteristic", type=folder, translation="install")
    ET.SubElement(target, "characteristic", type="MakeDir")
    installed = ET.SubElement(target, "characteristic", type=file_name, translation="install")
    extract = ET.SubElement(installed, "characteristic", type="Extract")
    _parm(extract, "Source", stored)

    # The DLL value goes in as the literal path the registration gives (\Windows\...), not
    # as %CE2% with translation: \Windows is the same folder on every device, in every
    # language, and the literal keeps the value on the device equal to the registration's
    # and to what the emulator writes, with no translation step in between to go wrong.
    registry = ET.SubElement(doc, "characteristic", type="Registry")
    for key, values in keys:
        root, path = key.split("\\", 1)
        entry = ET.SubElement(registry, "characteristic", type="%s\\%s" % (ROOTS[root], path))
        for name, kind, value in values:
            _parm(entry, name, str(value), datatype="integer" if kind == "dword" else "string")
    return doc


def setup_xml(doc):
    ET.indent(doc)
    return (b'<?xml version="1.0" encoding="utf-8"?>\n'
            + ET.tostring(doc, encoding="utf-8", xml_declaration=False) + b"\n")


def pack(out, doc, files):
    """Writes the CAB: _setup.xml from doc and files, a list of (stored name, path)."""
    gcab = shutil.which("gcab")
    if not gcab:
        raise CabError("gcab not found: install it (apt-get install gcab)")
    with tempfile.TemporaryDirectory() as stage:
        with open(os.path.join(stage, "_setup.xml"), "wb") as setup:
            setup.write(setup_xml(doc))
        for stored, path in files:
            shutil.copyfile(path, os.path.join(stage, stored))
        names = ["_setup.xml"] + [stored for stored, _ in files]
        out = os.path.abspath(out)
        result = subprocess.run([gcab, "-c", "-z", out] + names, cwd=stage,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                universal_newlines=True)
        if result.returncode != 0:
            raise CabError("gcab failed: %s" % " ".join(result.stdout.split()))


def make_cab(dll, registration, out):
    if not os.path.isfile(dll):
        raise CabError("no DLL at %s: build it first (make device)" % dll)
    try:
        with open(registration, encoding="utf-8") as reg:
            keys = parse_registration(reg.read())
    except (OSError, UnicodeDecodeError) as error:
        raise CabError("cannot read the registration: %s" % error)
    folder, file_name = dll_target(keys)
    stored = stored_name(file_name, 1)
    pack(out, setup_document(keys, folder, file_name, stored), [(stored, dll)])
    return folder, file_name, stored


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--registration", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    try:
        folder, file_name, stored = make_cab(args.dll, args.registration, args.out)
    except CabError as error:
        print("make-cab: %s" % error, file=sys.stderr)
        return 1
    print("make-cab: %s: %s installed into %s as %s (stored as %s)"
          % (args.out, args.dll, folder, file_name, stored))
    return 0


if __name__ == "__main__":
    sys.exit(main())
