#!/usr/bin/env python3
"""Tests of the CAB check: CABs made of make-cab's own parts around the device build's two
DLLs, one good and some with a fault each, run through cab_check.py as ctest runs it; and
make-cab's refusals. Needs gcab and the device build (exit 77 without one).
Usage: cab_check_test.py --device-build DIR"""
import argparse
import os
import runpy
import struct
import subprocess
import sys
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
REGISTRATION = os.path.join(ROOT, "resources", "today_item.reg")
LISTS = os.path.join(HERE, "data", "wince-api")
CHECK = os.path.join(HERE, "cab_check.py")
MAKE_CAB = os.path.join(ROOT, "scripts", "make-cab.py")
DEVICE = {}

make_cab = types.SimpleNamespace(**runpy.run_path(MAKE_CAB))


def with_value(keys, name, value):
    return [(key, [(n, kind, value if n == name else v) for n, kind, v in values])
            for key, values in keys]


def edited(doc, tag, match, change):
    """doc with the attribute change (name, value) set on each tag element matching match."""
    for element in doc.iter(tag):
        if element.get(match[0]) == match[1]:
            element.set(*change)
    return doc


def patched(data, fmt, at, value):
    data = bytearray(data)
    struct.pack_into(fmt, data, at, value)
    return bytes(data)


GOOD_ORDER = ("000", "999", "001", "xml")
# name: (what changes in the good CAB's parts {"000", "999", "001", "xml", "keys",
# "processor", "order"}, the check line that must fail, or None for a good CAB)
CASES = {
    "good": ({}, None),
    "a count _setup.xml does not have": ({"xml": lambda d: edited(
        d, "parm", ("name", "NumRegVals"), ("value", "5"))}, "_setup.xml: Install NumRegVals"),
    "_setup.xml installing the DLL under another name": ({"xml": lambda d: edited(
        d, "characteristic", ("type", "tapshelf.dll"), ("type", "t.dll"))},
        "_setup.xml: FileOperation"),
    "a registry value other than the registration's in the .000 alone": (
        {"keys": lambda k: with_value(k, "Selectability", 0)}, ".000: registry equals"),
    "a .000 for another processor": ({"processor": 8664}, ".000: for processor"),
    "a .000 cut short": ({"000": lambda b: b[:-9]}, ".000: cannot be read"),
    "a .000 section beyond the file's end": (
        {"000": lambda b: patched(b, "<I", 76, len(b) + 64)}, ".000: cannot be read"),
    "a .000 count larger than the file holds": (
        {"000": lambda b: patched(b, "<H", 56, 900)}, ".000: cannot be read"),
    "the plug-in before the setup DLL": ({"order": ("000", "001", "999", "xml")}, "order"),
    "the .000 after another file": ({"order": ("999", "000", "001", "xml")}, "order"),
    "the plug-in in the setup DLL's place": ({"999": lambda b: DEVICE["plugin"]},
                                             "setup DLL: ARM"),
    "no plug-in in the CAB": ({"order": ("000", "999", "xml")}, "contents"),
    "another file in the plug-in's place": ({"001": lambda b: b"MZ?"},
                                            "TAPSHE~1.001 is byte-identical"),
}


def gcab_pack(cab, folder, parts, order):
    """A CAB of the parts, {number or "xml": (stored name, bytes)}, in the order given."""
    names = []
    for key in order:
        name, data = parts[key]
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
        names.append(name)
    subprocess.run(["gcab", "-c", "-z", cab] + names, cwd=folder, check=True)


class CabCheck(unittest.TestCase):
    def good_parts(self, change, keys):
        folder, file_name = make_cab.dll_target(keys)
        plugin = make_cab.stored_name(file_name, 1)
        doc = make_cab.setup_document(keys, folder, file_name, plugin)
        changed = lambda part, value: change[part](value) if part in change else value  # noqa
        instruction_keys = changed("keys", keys)
        return {
            "000": ("TAPSHE~1.000", changed("000", make_cab.instruction_file(
                instruction_keys, folder, file_name, change.get("processor", 2577)))),
            "999": ("TAPSHE~1.999", changed("999", DEVICE["setup"])),
            "001": (plugin, changed("001", DEVICE["plugin"])),
            "xml": ("_setup.xml", make_cab.setup_xml(changed("xml", doc))),
        }

    def test_the_check_passes_a_good_cab_and_fails_each_fault(self):
        with open(REGISTRATION, encoding="utf-8") as reg:
            keys = make_cab.parse_registration(reg.read())
        for case, (change, failing) in CASES.items():
            with self.subTest(case), tempfile.TemporaryDirectory() as tmp:
                cab = os.path.join(tmp, "case.cab")
                gcab_pack(cab, tmp, self.good_parts(change, keys), change.get("order", GOOD_ORDER))
                run = subprocess.run([sys.executable, CHECK, "--dll", DEVICE["plugin_path"],
                                      "--setup-dll", DEVICE["setup_path"], "--registration",
                                      REGISTRATION, "--lists", LISTS, cab],
                                     stdout=subprocess.PIPE, universal_newlines=True)
                lines = run.stdout.splitlines()
                if failing is None:
                    self.assertEqual((0, "PASS"), (run.returncode, lines[-1]), run.stdout)
                else:
                    self.assertEqual((1, "FAIL"), (run.returncode, lines[-1]), run.stdout)
                    self.assertTrue(any(l.startswith("FAIL " + failing) for l in lines),
                                    run.stdout)

    def test_make_cab_refuses_what_it_cannot_install(self):
        header = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software\\X]\n"
        for body in ('"Icon"=hex:01,02\n', '"Size"=qword:1\n', '@="default"\n', '"A"="x\n'):
            with self.subTest(body), self.assertRaises(make_cab.CabError):
                make_cab.parse_registration(header + body)
        today = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Today\\Items\\T]\n"
        for dll in ("\\\\Program Files\\\\t.dll", "t.dll"):
            keys = make_cab.parse_registration(header + today + '"DLL"="%s"\n' % dll)
            with self.subTest(dll), self.assertRaises(make_cab.CabError):
                make_cab.dll_target(keys)

    def test_make_cab_refuses_text_the_instruction_file_cannot_carry_in_one_line(self):
        dll = '"DLL"="\\\\Windows\\\\t.dll"\n'
        for key, value in (("Items\\T\u00e9", dll), ("Items\\T", dll + '"Name"="Caf\u00e9"\n'),
                           ("Items\\T", dll + '"\u540d"=dword:00000001\n')):
            text = ("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software\\"
                    "Microsoft\\Today\\%s]\n%s" % (key, value))
            with self.subTest(text), tempfile.TemporaryDirectory() as tmp:
                registration = os.path.join(tmp, "item.reg")
                with open(registration, "w", encoding="utf-8") as out:
                    out.write(text)
                run = subprocess.run([sys.executable, MAKE_CAB, "--dll", DEVICE["plugin_path"],
                                      "--registration", registration, "--out",
                                      os.path.join(tmp, "x.cab")],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     universal_newlines=True)
                self.assertEqual(1, run.returncode)
                self.assertEqual(1, len(run.stderr.splitlines()), run.stderr)
                self.assertIn("ASCII", run.stderr)
                self.assertFalse(os.path.exists(os.path.join(tmp, "x.cab")))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--device-build", required=True)
    args, rest = parser.parse_known_args()
    for key, name in (("plugin", "tapshelf.dll"), ("setup", "tapshelf_setup.dll")):
        path = os.path.join(args.device_build, name)
        if not os.path.exists(path):
            print("SKIPPED: no device build (%s does not exist)" % path)
            return 77
        DEVICE[key + "_path"] = path
        with open(path, "rb") as built:
            DEVICE[key] = built.read()
    run = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if run.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
