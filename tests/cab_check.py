#!/usr/bin/env python3
"""Checks Tapshelf.cab as the device installer will read it.

Unpacks the CAB with gcab and reads its _setup.xml: the CAB must hold _setup.xml and the
DLL alone, byte for byte; the DLL must go into \\Windows as tapshelf.dll; the counts the
installer trusts must match the document; the registry it writes must be the registration
file's, value for value. Reads the registration on its own, not through make-cab.
Usage: cab_check.py --dll DLL --registration REG CAB. Exit 0 pass, 1 fail, 2 cannot
check, 77 when there is no CAB (no device build)."""
import argparse
import ntpath
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

INSTALLED = "\\Windows\\tapshelf.dll"
FOLDER_MACROS = {"%CE2%": "\\Windows"}
ROOTS = {"HKEY_LOCAL_MACHINE": "HKLM", "HKEY_CURRENT_USER": "HKCU", "HKEY_CLASSES_ROOT": "HKCR"}


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


def check_document(doc, stored, expected):
    """[(ok, line)] for the _setup.xml document, stored being the CAB's one other file."""
    results = []
    files, folders = installed_files(doc)
    want = [ntpath.split(INSTALLED) + (stored,)]
    shown = "; ".join("%s\\%s from %s" % f for f in files) or "nothing"
    results.append((files == want, "FileOperation installs %s (want %s from %s)"
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
        results.append((given == str(count), "Install %s: %s, the document has %d"
                        % (name, given, count)))

    missing = sorted("%s\\%s" % k for k in expected.keys() - values.keys())
    extra = sorted("%s\\%s" % k for k in values.keys() - expected.keys())
    differ = sorted("%s\\%s: %r, registration %r" % (k[0], k[1], values[k], expected[k])
                    for k in values.keys() & expected.keys() if values[k] != expected[k])
    faults = ["%s %s" % (what, ", ".join(items)) for what, items in
              (("missing", missing), ("extra", extra), ("differing", differ)) if items]
    if value_count != len(values):
        faults.append("%d given twice" % (value_count - len(values)))
    results.append((not faults, "registry equals the registration: %d values%s"
                    % (value_count, "".join("; " + fault for fault in faults))))
    dlls = [v for (key, name), (kind, v) in values.items() if name == "DLL" and "\\Today\\" in key]
    results.append((dlls == [INSTALLED], "the Today item's DLL value names the installed file: %s"
                    % dlls))
    return results


def check(cab, dll, registration_text):
    """[(ok, line)] for the CAB against the DLL and the registration text."""
    expected = registration_values(registration_text)
    if not shutil.which("gcab"):
        raise CannotCheck("gcab not found (apt-get install gcab)")
    with open(dll, "rb") as built:
        dll_bytes = built.read()
    with tempfile.TemporaryDirectory() as folder:
        unpack = subprocess.run(["gcab", "-x", "-C", folder, cab], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, universal_newlines=True)
        if unpack.returncode != 0:
            return [(False, "unpack: gcab cannot read %s: %s" % (cab, unpack.stdout.strip()))]
        names = sorted(os.path.relpath(os.path.join(top, f), folder)
                       for top, _, found in os.walk(folder) for f in found)
        others = [n for n in names if n != "_setup.xml"]
        results = [(len(names) == 2 and len(others) == 1,
                    "contents: %s (want _setup.xml and the DLL)" % names)]
        stored = others[0] if len(others) == 1 else None
        same = False
        if stored is not None:
            with open(os.path.join(folder, stored), "rb") as packed:
                same = packed.read() == dll_bytes
        results.append((same, "%s is byte-identical to %s" % (stored, dll)))
        try:
            doc = ET.parse(os.path.join(folder, "_setup.xml")).getroot()
        except (OSError, ET.ParseError) as error:
            return results + [(False, "_setup.xml: %s" % error)]
    if doc.tag != "wap-provisioningdoc":
        return results + [(False, "_setup.xml: root %s, want wap-provisioningdoc" % doc.tag)]
    return results + check_document(doc, stored, expected)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--registration", required=True)
    parser.add_argument("cab")
    args = parser.parse_args()
    if not os.path.exists(args.cab):
        print("SKIP: CAB check skipped: no %s (no device build: no CE toolchain found)" % args.cab)
        return 77
    try:
        with open(args.registration, encoding="utf-8") as reg:
            results = check(args.cab, args.dll, reg.read())
    except (OSError, UnicodeDecodeError, CannotCheck) as error:
        print("ERROR: cannot check: %s" % error)
        return 2
    for ok, line in results:
        print("%s %s" % ("ok  " if ok else "FAIL", line))
    passed = all(ok for ok, _ in results)
    print("PASS" if passed else "FAIL")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
