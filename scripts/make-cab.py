#!/usr/bin/env python3
"""Makes Tapshelf.cab, the installer a Pocket PC owner opens from File Explorer.

Usage: make-cab.py --dll build-device/tapshelf.dll [--setup-dll build-device/tapshelf_setup.dll]
                   --registration resources/today_item.reg --out build-device/Tapshelf.cab

The CAB holds, in this order: the instruction file (TAPSHE~1.000, the binary "MSCE" file the
Pocket PC's installer reads), the setup DLL as file 999, the plug-in as file 001, and
_setup.xml, which says the same for the installers that read XML. The registration (a .reg
text) gives the registry values, and its "DLL" value gives the folder and name the plug-in
is installed as, so the two cannot drift. The processor the CAB is for is the DLLs' machine:
ARM for the device, x86-64 for the emulator's CAB. The instruction file holds ASCII alone:
a name or value it cannot carry is refused. Packed with gcab (MSZIP)."""
import argparse
import ntpath
import os
import re
import shutil
import subprocess
import struct
import sys
import tempfile
import xml.etree.ElementTree as ET

APP_NAME = "Tapshelf"
PROVIDER = "Tapshelf Project"      # with the name, what Remove Programs lists
INSTALL_DIR = r"%CE1%\Tapshelf"   # \Program Files\Tapshelf: the app's home in Remove Programs
OS_VERSION_MIN = (5, 1)            # Windows CE 5.01: Windows Mobile 5, written "5.01"
# The processor numbers of the installer (the system's processor types) by the DLLs' PE
# machine: StrongARM for every ARM Pocket PC; the emulator's builds for its CAB.
PROCESSORS = {0x01C0: 2577, 0x8664: 8664, 0x014C: 386}
# The files' numbers in the CAB: the instructions, the plug-in, the setup DLL.
INSTRUCTIONS, PLUGIN, SETUP_DLL = 0, 1, 999
ROOT_NUMBERS = {"HKCR": 1, "HKCU": 2, "HKLM": 3}
ALWAYS_OVERWRITE = 0x40000000
DWORD_VALUE, STRING_VALUE = 0x00010001, 0
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


def processor_of(dll):
    """The installer's processor number for a DLL, from the machine of its PE header."""
    try:
        with open(dll, "rb") as image:
            head = image.read(4096)
    except OSError as error:
        raise CabError("cannot read %s: %s" % (dll, error))
    pe = struct.unpack_from("<I", head, 0x3C)[0] if head[:2] == b"MZ" and len(head) >= 0x40 else 0
    if not pe or head[pe:pe + 4] != b"PE\0\0" or pe + 6 > len(head):
        raise CabError("%s is not a Windows DLL (no PE header)" % dll)
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    if machine not in PROCESSORS:
        raise CabError("%s: machine 0x%04x is none the installer knows" % (dll, machine))
    return PROCESSORS[machine]


def ascii_text(text, what):
    """text as the instruction file holds it: ASCII, zero-terminated, its length in 2 bytes."""
    if any(ord(c) > 127 or c == "\0" for c in text) or len(text) >= 0xFFFF:
        raise CabError("%s %r cannot go into the instruction file, which holds ASCII text "
                       "alone" % (what, text))
    return text.encode("ascii") + b"\0"


def instruction_file(keys, folder, file_name, processor):
    """The binary "MSCE" file (.000) that says what setup_document says: the plug-in, file
    PLUGIN, into folder as file_name, and the registration's keys and values."""
    strings, ids = [], {}

    def string_ids(path, what):
        """The ids of the path's parts, each text stored once, and the list's end (0)."""
        parts = path.split("\\")
        for part in parts:
            if not part:
                raise CabError("%s %r has an empty part" % (what, path))
            if part not in ids:
                ids[part] = len(strings) + 1
                strings.append(ascii_text(part, what))
        return [ids[part] for part in parts] + [0]

    def id_list(values):
        return struct.pack("<%dH" % len(values), *values)

    directory = string_ids(folder, "folder")
    dirs = [struct.pack("<HH", 1, 2 * len(directory)) + id_list(directory)]
    name = ascii_text(file_name, "file name")
    files = [struct.pack("<HHHIH", PLUGIN, 1, PLUGIN, ALWAYS_OVERWRITE, len(name)) + name]
    hives, values = [], []
    for hive, (key, entries) in enumerate(keys, start=1):
        root, path = key.split("\\", 1)
        parts = string_ids(path, "registry key")
        hives.append(struct.pack("<HHHH", hive, ROOT_NUMBERS[ROOTS[root]], 0, 2 * len(parts))
                     + id_list(parts))
        for value_name, kind, value in entries:
            payload = ascii_text(value_name, "value name") + (
                struct.pack("<I", value) if kind == "dword" else ascii_text(value, "value"))
            if len(payload) > 0xFFFF:
                raise CabError("value %r does not fit the instruction file" % value_name)
            values.append(struct.pack("<HHHIH", len(values) + 1, hive, 0,
                                      DWORD_VALUE if kind == "dword" else STRING_VALUE,
                                      len(payload)) + payload)
    table = [struct.pack("<HH", number, len(text)) + text
             for number, text in enumerate(strings, start=1)]

    app, provider = ascii_text(APP_NAME, "application name"), ascii_text(PROVIDER, "provider")
    body, at = b"", 100
    places = []
    for part in (app, provider):
        places += [at + len(body), len(part)]
        body += part
    offsets = []
    for section in (table, dirs, files, hives, values):
        offsets.append(at + len(body))
        body += b"".join(section)
    counts = [len(table), len(dirs), len(files), len(hives), len(values), 0]
    header = (struct.pack("<4sIIIII", b"MSCE", 0, at + len(body), 0, 1, processor)
              + struct.pack("<6I", OS_VERSION_MIN[0], OS_VERSION_MIN[1], 0, 0, 0, 0)
              + struct.pack("<6H", *counts) + struct.pack("<6I", *(offsets + [0]))
              + struct.pack("<6H", *(places + [0, 0])) + struct.pack("<HH", 0, 0))
    return header + body


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
    _parm(install, "OSVersionMin", "%d.%02d" % OS_VERSION_MIN)
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
    """Writes the CAB from files, a list of (stored name, path or bytes), and _setup.xml from
    doc, in the installer's order: the instruction file (.000) first, the others by their
    numbers downwards, then _setup.xml."""
    gcab = shutil.which("gcab")
    if not gcab:
        raise CabError("gcab not found: install it (apt-get install gcab)")
    files = sorted(files, key=lambda f: (f[0].endswith(".000"), f[0][-3:]), reverse=True)
    with tempfile.TemporaryDirectory() as stage:
        with open(os.path.join(stage, "_setup.xml"), "wb") as setup:
            setup.write(setup_xml(doc))
        for stored, source in files:
            if isinstance(source, bytes):
                with open(os.path.join(stage, stored), "wb") as staged:
                    staged.write(source)
            else:
                shutil.copyfile(source, os.path.join(stage, stored))
        names = [stored for stored, _ in files] + ["_setup.xml"]
        out = os.path.abspath(out)
        result = subprocess.run([gcab, "-c", "-z", out] + names, cwd=stage,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                universal_newlines=True)
        if result.returncode != 0:
            raise CabError("gcab failed: %s" % " ".join(result.stdout.split()))


def make_cab(dll, registration, out, setup_dll=None):
    for path, build in ((dll, "make device"), (setup_dll, "make device")):
        if path is not None and not os.path.isfile(path):
            raise CabError("no DLL at %s: build it first (%s)" % (path, build))
    try:
        with open(registration, encoding="utf-8") as reg:
            keys = parse_registration(reg.read())
    except (OSError, UnicodeDecodeError) as error:
        raise CabError("cannot read the registration: %s" % error)
    folder, file_name = dll_target(keys)
    processor = processor_of(dll)
    if setup_dll is not None and processor_of(setup_dll) != processor:
        raise CabError("%s and %s are built for different processors" % (dll, setup_dll))
    stored = stored_name(file_name, PLUGIN)
    files = [(stored_name(APP_NAME, INSTRUCTIONS),
              instruction_file(keys, folder, file_name, processor)), (stored, dll)]
    if setup_dll is not None:
        files.append((stored_name(os.path.basename(setup_dll), SETUP_DLL), setup_dll))
    pack(out, setup_document(keys, folder, file_name, stored), files)
    return folder, file_name, stored


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--setup-dll")
    parser.add_argument("--registration", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    try:
        folder, file_name, stored = make_cab(args.dll, args.registration, args.out,
                                             args.setup_dll)
    except CabError as error:
        print("make-cab: %s" % error, file=sys.stderr)
        return 1
    print("make-cab: %s: %s installed into %s as %s (stored as %s)%s"
          % (args.out, args.dll, folder, file_name, stored,
             ", setup DLL %s" % args.setup_dll if args.setup_dll else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
