#!/usr/bin/env python3
"""Checks Tapshelf.cab as the device installers will read it.

Reads the cabinet's list of files in its own order, unpacks it with gcab, and reads the two
instruction files with readers of its own, not make-cab's: the binary .000 ("MSCE") that a
Pocket PC's installer takes, every section of it, and _setup.xml. The CAB must hold the
.000 first and the other numbered files in descending order; the plug-in (file 001) and
the setup DLL (file 999) byte for byte; both instruction files must install the plug-in
into \\Windows as tapshelf.dll and write the registration file's values, each with its
type, and agree on the application and the oldest system. The .000 names the ARM
processor. The setup DLL must be an ARM DLL that exports the installer's four entries by
name, imports only what the device exports (the lists of device_api_check.py), and passes
the plug-in's checks of its data directories and of its stack accesses.
Usage: cab_check.py --dll DLL --setup-dll DLL --registration REG --lists DIR CAB. Exit 0
pass, 1 fail, 2 cannot check, 77 when there is no CAB (no device build)."""
import argparse
import ntpath
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import device_align_check  # noqa: E402
import device_api_check  # noqa: E402
import device_dll_check  # noqa: E402
from pe_image import PEError, PEImage  # noqa: E402

INSTALLED = "\\Windows\\tapshelf.dll"
FOLDER_MACROS = {"%CE2%": "\\Windows"}
ROOTS = {"HKEY_LOCAL_MACHINE": "HKLM", "HKEY_CURRENT_USER": "HKCU", "HKEY_CLASSES_ROOT": "HKCR"}
ARM, STRONGARM = 0x01C0, 2577
OLDEST_SYSTEM = (5, 1)     # Windows CE 5.01, Windows Mobile 5
PLUGIN, SETUP_DLL = 1, 999          # the files' numbers in the CAB
SETUP_ENTRIES = {"Install_Init", "Install_Exit", "Uninstall_Init", "Uninstall_Exit"}


class CannotCheck(Exception):
    pass


def registration_values(text):
    """{(key as HKLM\\..., name): (kind, value)} of a .reg text of strings and dwords."""
    values, key = {}, None
    for line in text.lstrip("\ufeff").splitlines()[1:]:
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            root, _, path = line[1:-1].partition("\\")
            if root not in ROOTS:
                raise CannotCheck("registration: unknown root in %s" % line)
            key = ROOTS[root] + "\\" + path
            continue
        match = re.match(r'"((?:[^"\\]|\\.)*)"=(?:"((?:[^"\\]|\\.)*)"|dword:([0-9a-fA-F]{8}))$',
                         line)
        if not match or key is None:
            raise CannotCheck("registration: cannot read %r" % line)
        name = re.sub(r"\\(.)", r"\1", match.group(1))
        if match.group(3) is None:
            values[(key, name)] = ("string", re.sub(r"\\(.)", r"\1", match.group(2)))
        else:
            values[(key, name)] = ("dword", int(match.group(3), 16))
    return values


def characteristics(parent, kind=None):
    return [c for c in parent.findall("characteristic") if kind is None or c.get("type") == kind]


def parm(parent, name):
    found = [p.get("value") for p in parent.findall("parm") if p.get("name") == name]
    return found[0] if len(found) == 1 else None


def device_path(value, translated):
    for macro, folder in FOLDER_MACROS.items():
        if translated and value.upper().startswith(macro):
            return folder + value[len(macro):]
    return value


def cab_values(doc):
    """The registry values of the document, as registration_values gives them, and the
    number of value entries (duplicates included)."""
    values, count = {}, 0
    for registry in characteristics(doc, "Registry"):
        for key in characteristics(registry):
            for entry in key.findall("parm"):
                count += 1
                kind, value = entry.get("datatype"), entry.get("value", "")
                if kind == "integer":
                    value = int(value) if re.fullmatch(r"-?\d+", value) else value
                    kind = "dword"
                elif kind == "string":
                    value = device_path(value, entry.get("translation") == "install")
                values[(key.get("type"), entry.get("name"))] = (kind, value)
    return values, count


def installed_files(doc):
    """[(device folder, file name, Extract Source)] of FileOperation, and its folder count."""
    files, folders = [], 0
    for operation in characteristics(doc, "FileOperation"):
        for folder in characteristics(operation):
            folders += 1
            path = device_path(folder.get("type", ""), folder.get("translation") == "install")
            if not characteristics(folder, "MakeDir"):
                path += " (no MakeDir)"
            for target in characteristics(folder):
                for extract in characteristics(target, "Extract"):
                    files.append((path, target.get("type"), parm(extract, "Source")))
    return files, folders


def registry_check(what, values, count, expected):
    """(ok, line): values, {(key, name): (kind, value)} read from count entries, against the
    registration's."""
    missing = sorted("%s\\%s" % k for k in expected.keys() - values.keys())
    extra = sorted("%s\\%s" % k for k in values.keys() - expected.keys())
    differ = sorted("%s\\%s: %r, registration %r" % (k[0], k[1], values[k], expected[k])
                    for k in values.keys() & expected.keys() if values[k] != expected[k])
    faults = ["%s %s" % (kind, ", ".join(items)) for kind, items in
              (("missing", missing), ("extra", extra), ("differing", differ)) if items]
    if count != len(values):
        faults.append("%d given twice" % (count - len(values)))
    return not faults, "%s: registry equals the registration: %d values%s" % (
        what, count, "".join("; " + fault for fault in faults))


def check_document(doc, stored, expected):
    """[(ok, line)] for the _setup.xml document, stored being the plug-in's name in the CAB."""
    results = []
    files, folders = installed_files(doc)
    want = [ntpath.split(INSTALLED) + (stored,)]
    shown = "; ".join("%s\\%s from %s" % f for f in files) or "nothing"
    results.append((files == want, "_setup.xml: FileOperation installs %s (want %s from %s)"
                    % (shown, INSTALLED, stored)))

    operations = [c for op in characteristics(doc, "FileOperation")
                  for c in op.iter("characteristic")]
    values, value_count = cab_values(doc)
    install = characteristics(doc, "Install")
    actual = {
        "NumDirs": folders,
        "NumFiles": len(files),
        "NumRegKeys": sum(len(characteristics(r)) for r in characteristics(doc, "Registry")),
        "NumRegVals": value_count,
        "NumShortcuts": sum(1 for c in operations if c.get("type") == "Shortcut"),
    }
    for name, count in actual.items():
        given = parm(install[0], name) if len(install) == 1 else None
        results.append((given == str(count), "_setup.xml: Install %s: %s, the document has %d"
                        % (name, given, count)))
    results.append(registry_check("_setup.xml", values, value_count, expected))
    dlls = [v for (key, name), (kind, v) in values.items() if name == "DLL" and "\\Today\\" in key]
    results.append((dlls == [INSTALLED], "_setup.xml: the Today item's DLL value names the "
                    "installed file: %s" % dlls))
    return results


# ---- The cabinet's own list of files

def cabinet_names(data):
    """The names of the cabinet's files in the order its file list gives them."""
    if len(data) < 36 or data[:4] != b"MSCF":
        raise CannotCheck("not a cabinet (no MSCF header)")
    first, count, flags = struct.unpack_from("<I", data, 16)[0], *struct.unpack_from("<HH", data, 28)
    if flags & 0x3:
        raise CannotCheck("the cabinet is one of a set; the installer takes a single one")
    names, at = [], first
    for _ in range(count):
        end = data.find(b"\0", at + 16)
        if at + 16 > len(data) or end < 0:
            raise CannotCheck("the cabinet's file list runs past its end")
        names.append(data[at + 16:end].decode("latin-1"))
        at = end + 1
    return names


def file_number(name):
    """The number that identifies a file in the CAB (its 3-digit extension), or None."""
    match = re.search(r"\.(\d{3})$", name)
    return int(match.group(1)) if match else None


def order_check(names):
    numbers = [file_number(n) for n in names if file_number(n) is not None]
    first_unnumbered = next((i for i, n in enumerate(names) if file_number(n) is None), len(names))
    ok = (numbers[:1] == [0] and numbers[1:] == sorted(numbers[1:], reverse=True)
          and len(numbers) == first_unnumbered)
    return ok, "order: %s (want the .000 first, then the numbered files downwards)" % ", ".join(names)


# ---- The .000 instruction file, read on its own

class Unreadable(Exception):
    pass


SECTIONS = ("STRINGS", "DIRS", "FILES", "REGHIVES", "REGKEYS", "LINKS")


def read_instructions(data):
    """The .000 file as {header fields, "strings": {id: text}, "dirs": {id: [string ids]},
    "files": [(file number, dir id, flags, name)], "hives": {id: (root, [string ids])},
    "values": [(hive id, flags, name, data)]}. Every offset, count and length is checked
    against the file; Unreadable says what does not fit."""
    def take(fmt, at, what):
        if at < 0 or at + struct.calcsize(fmt) > len(data):
            raise Unreadable("%s at %d lies beyond the file's %d bytes" % (what, at, len(data)))
        return struct.unpack_from(fmt, data, at)

    def text(at, length, what):
        raw = data[at:at + length]
        if length == 0 or at + length > len(data) or raw.find(b"\0") != length - 1:
            raise Unreadable("%s at %d (%d bytes) is no zero-terminated text inside the file"
                             % (what, at, length))
        try:
            return raw[:-1].decode("ascii")
        except UnicodeDecodeError:
            raise Unreadable("%s at %d is not ASCII" % (what, at))

    def id_list(at, length, what):
        ids = list(take("<%dH" % (length // 2), at, what)) if length % 2 == 0 else []
        if not ids or 0 in ids[:-1] or ids[-1] != 0:
            raise Unreadable("%s at %d: not a list of string ids ending in 0" % (what, at))
        return ids[:-1]

    signature, _, length, _, _, processor = take("<4sIIIII", 0, "header")
    if signature != b"MSCE" or length != len(data):
        raise Unreadable("header: signature %r, length %d of a %d-byte file"
                         % (signature, length, len(data)))
    found = {"processor": processor, "versions": take("<6I", 24, "header"),
             "strings": {}, "dirs": {}, "files": [], "hives": {}, "values": []}
    counts, offsets = take("<6H", 48, "header"), take("<6I", 60, "header")
    places = take("<6H", 84, "header")
    found["app"] = text(places[0], places[1], "APPNAME")
    found["provider"] = text(places[2], places[3], "PROVIDER")
    found["unsupported"] = text(places[4], places[5], "UNSUPPORTED") if places[5] else ""
    for section, count, at in zip(SECTIONS, counts, offsets):
        for number in range(count):
            what = "%s entry %d" % (section, number + 1)
            if section == "STRINGS":
                key, size = take("<HH", at, what)
                found["strings"][key] = text(at + 4, size, what)
                at += 4 + size
            elif section == "DIRS":
                key, size = take("<HH", at, what)
                found["dirs"][key] = id_list(at + 4, size, what)
                at += 4 + size
            elif section == "FILES":
                key, folder, _, flags, size = take("<HHHIH", at, what)
                found["files"].append((key, folder, flags, text(at + 12, size, what)))
                at += 12 + size
            elif section == "REGHIVES":
                key, root, _, size = take("<HHHH", at, what)
                found["hives"][key] = (root, id_list(at + 8, size, what))
                at += 8 + size
            elif section == "REGKEYS":
                _, hive, _, flags, size = take("<HHHIH", at, what)
                payload = data[at + 12:at + 12 + size]
                if len(payload) != size or b"\0" not in payload:
                    raise Unreadable("%s: %d bytes of name and data beyond the file" % (what, size))
                name, _, value = payload.partition(b"\0")
                found["values"].append((hive, flags, name.decode("latin-1"), value))
                at += 12 + size
            else:
                raise Unreadable("%d LINKS: this CAB makes no shortcuts" % count)
    return found


def path_of(ids, strings, what):
    if any(i not in strings for i in ids):
        raise Unreadable("%s names strings the file does not hold: %s" % (what, ids))
    return "\\".join(strings[i] for i in ids)


def instruction_values(found):
    """{(key as HKLM\\..., name): (kind, value)} of the REGKEYS, and their count."""
    short = {number: short for number, short in ((1, "HKCR"), (2, "HKCU"), (3, "HKLM"))}
    values = {}
    for hive, flags, name, data in found["values"]:
        if hive not in found["hives"] or found["hives"][hive][0] not in short:
            raise Unreadable("value %s names no known hive (%d)" % (name, hive))
        root, ids = found["hives"][hive]
        key = short[root] + "\\" + path_of(ids, found["strings"], "hive %d" % hive)
        if flags == 0x00010001 and len(data) == 4:
            values[(key, name)] = ("dword", struct.unpack("<I", data)[0])
        elif flags == 0 and data.endswith(b"\0") and data.count(b"\0") == 1:
            values[(key, name)] = ("string", data[:-1].decode("latin-1"))
        else:
            values[(key, name)] = ("type 0x%08x" % flags, data.hex())
    return values


def check_instructions(data, expected, doc):
    """[(ok, line)] for the .000 file against the registration and the _setup.xml."""
    try:
        found = read_instructions(data)
        files = [(device_path(path_of(found["dirs"].get(folder, [0]), found["strings"],
                                      "DIRS %d" % folder), True), name, number, flags)
                 for number, folder, flags, name in found["files"]]
        values = instruction_values(found)
    except Unreadable as error:
        return [(False, ".000: cannot be read: %s" % error)]
    versions = found["versions"]
    results = [(found["processor"] == STRONGARM and tuple(versions[:2]) == OLDEST_SYSTEM
                and not any(versions[2:]) and found["provider"] and not found["unsupported"],
                ".000: for processor %d (want %d, ARM), CE %d.%02d to %d.%02d, builds %d to %d "
                "(want %d.%02d and later, 0 for no limit), provider %r, unsupported %r"
                % ((found["processor"], STRONGARM) + tuple(versions) + OLDEST_SYSTEM
                   + (found["provider"], found["unsupported"])))]
    want = [ntpath.split(INSTALLED) + (PLUGIN,)]
    results.append(([f[:3] for f in files] == want and len(found["dirs"]) == 1,
                    ".000: installs %s (want %s from file %s); folders: %d"
                    % ("; ".join("%s\\%s from file %d (flags 0x%08x)" % f for f in files)
                       or "nothing", INSTALLED, PLUGIN, len(found["dirs"]))))
    results.append(registry_check(".000", values, len(found["values"]), expected))
    install = characteristics(doc, "Install")
    oldest, app = (parm(install[0], "OSVersionMin"), parm(install[0], "AppName")) \
        if len(install) == 1 else (None, None)
    ours = "%d.%02d" % tuple(versions[:2])
    results.append((oldest == ours and app == found["app"] == "Tapshelf",
                    ".000 and _setup.xml agree: application %r and %r, oldest system %s and %s"
                    % (found["app"], app, ours, oldest)))
    return results


# ---- The setup DLL

def check_setup_dll(path, lists):
    """[(ok, line)] for the setup DLL as the CAB holds it."""
    try:
        image = PEImage.from_file(path)
        ordinals, names = image.exports()
        imports = device_api_check.check_dll(image.imports(), lists, "setup DLL")
        directories = device_dll_check.directories_check(image)
        faults, seen = device_align_check.misaligned(image)
    except (PEError, struct.error) as error:
        return [(False, "setup DLL: %s" % error)]
    results = [(image.machine == ARM and image.is_dll and set(names) == SETUP_ENTRIES
                and len(ordinals) == len(names),
                "setup DLL: %s %s exporting %s (want an ARM DLL exporting %s by name)"
                % (image.machine_name, "DLL" if image.is_dll else "program",
                   ", ".join(sorted(names)) or "no names", ", ".join(sorted(SETUP_ENTRIES))))]
    missing = ["%s of %s" % (name, library) for library, name in imports.missing]
    missing += ["%s from %s" % (", ".join(names), dll) for dll, names in imports.foreign.items()]
    missing += ["ordinal %d of %s" % (ordinal, dll) for dll, ordinal in imports.ordinals]
    results.append((not imports.failed, "setup DLL: imports %d functions, %s" % (
        sum(imports.counts.values()),
        "all exported by the device" if not missing else "not on the device: " + ", ".join(missing))))
    results.append((directories[0], "setup DLL: " + directories[1]))
    results.append((seen and not faults, "setup DLL: %d stack accesses, %s" % (
        seen, "; ".join("0x%08x: %s misaligned" % fault for fault in faults) or "all aligned")))
    return results


def check(cab, dll, setup_dll, registration_text, lists):
    """[(ok, line)] for the CAB against the DLLs, the registration text and the lists."""
    expected = registration_values(registration_text)
    if not shutil.which("gcab"):
        raise CannotCheck("gcab not found (apt-get install gcab)")
    with open(cab, "rb") as packed:
        names = cabinet_names(packed.read())
    results = [order_check(names)]
    with tempfile.TemporaryDirectory() as folder:
        unpack = subprocess.run(["gcab", "-x", "-C", folder, cab], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, universal_newlines=True)
        if unpack.returncode != 0:
            return [(False, "unpack: gcab cannot read %s: %s" % (cab, unpack.stdout.strip()))]
        by_number = {file_number(n): n for n in names if file_number(n) is not None}
        results.append((sorted(by_number) == [0, 1, 999] and len(names) == 4
                        and "_setup.xml" in names,
                        "contents: %s (want files 000, 001, 999 and _setup.xml)" % names))
        for number, built in ((PLUGIN, dll), (SETUP_DLL, setup_dll)):
            with open(built, "rb") as original:
                want = original.read()
            stored = by_number.get(number)
            same = False
            if stored is not None:
                with open(os.path.join(folder, stored), "rb") as unpacked:
                    same = unpacked.read() == want
            results.append((same, "%s is byte-identical to %s" % (stored, built)))
        try:
            doc = ET.parse(os.path.join(folder, "_setup.xml")).getroot()
        except (OSError, ET.ParseError) as error:
            return results + [(False, "_setup.xml: %s" % error)]
        if doc.tag != "wap-provisioningdoc":
            return results + [(False, "_setup.xml: root %s, want wap-provisioningdoc" % doc.tag)]
        results += check_document(doc, by_number.get(PLUGIN), expected)
        if 0 in by_number:
            with open(os.path.join(folder, by_number[0]), "rb") as instructions:
                results += check_instructions(instructions.read(), expected, doc)
        if SETUP_DLL in by_number:
            results += check_setup_dll(os.path.join(folder, by_number[SETUP_DLL]), lists)
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--setup-dll", required=True)
    parser.add_argument("--registration", required=True)
    parser.add_argument("--lists", required=True, help="the device's export lists")
    parser.add_argument("cab")
    args = parser.parse_args()
    if not os.path.exists(args.cab):
        print("SKIP: CAB check skipped: no %s (no device build: no CE toolchain found)" % args.cab)
        return 77
    try:
        with open(args.registration, encoding="utf-8") as reg:
            results = check(args.cab, args.dll, args.setup_dll, reg.read(),
                            device_api_check.load_lists(args.lists))
    except (OSError, UnicodeDecodeError, CannotCheck, device_api_check.CheckError) as error:
        print("ERROR: cannot check: %s" % error)
        return 2
    for ok, line in results:
        print("%s %s" % ("ok  " if ok else "FAIL", line))
    passed = all(ok for ok, _ in results)
    print("PASS" if passed else "FAIL")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
