#!/usr/bin/env python3
"""Tests of the CAB check: CABs made by make-cab's own functions, one good and some with a
fault each, run through cab_check.py as ctest runs it. Needs gcab. Usage: cab_check_test.py"""
import os
import runpy
import subprocess
import sys
import tempfile
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
REGISTRATION = os.path.join(ROOT, "resources", "today_item.reg")
CHECK = os.path.join(HERE, "cab_check.py")

make_cab = types.SimpleNamespace(**runpy.run_path(os.path.join(ROOT, "scripts", "make-cab.py")))


def with_value(keys, name, value):
    return [(key, [(n, kind, value if n == name else v) for n, kind, v in values])
            for key, values in keys]


def edited(doc, tag, match, change):
    """doc with the attribute change (name, value) set on each tag element matching match."""
    for element in doc.iter(tag):
        if element.get(match[0]) == match[1]:
            element.set(*change)
    return doc


# name: (the registration's keys changed, the document changed, the CAB's files, the check
# line that must fail, or None for a good CAB)
CASES = {
    "good": (None, None, "dll", None),
    "a count the document does not have": (None, lambda d: edited(
        d, "parm", ("name", "NumRegVals"), ("value", "5")), "dll", "Install NumRegVals"),
    "a registry value other than the registration's": (
        lambda k: with_value(k, "Selectability", 0), None, "dll", "registry equals"),
    "the DLL installed under another name": (
        None, lambda d: edited(d, "characteristic", ("type", "tapshelf.dll"), ("type", "t.dll")),
        "dll", "FileOperation"),
    "no DLL in the CAB": (None, None, None, "contents"),
    "another file in the DLL's place": (None, None, "other", "TAPSHE~1.001 is byte-identical"),
}


class CabCheck(unittest.TestCase):
    def test_the_check_passes_a_good_cab_and_fails_each_fault(self):
        with open(REGISTRATION, encoding="utf-8") as reg:
            keys = make_cab.parse_registration(reg.read())
        folder, file_name = make_cab.dll_target(keys)
        stored = make_cab.stored_name(file_name, 1)
        with tempfile.TemporaryDirectory() as tmp:
            for name, content in (("dll", b"MZ stand-in for tapshelf.dll"), ("other", b"MZ?")):
                with open(os.path.join(tmp, name), "wb") as out:
                    out.write(content)
            for case, (change_keys, change_doc, packed, failing) in CASES.items():
                with self.subTest(case):
                    doc = make_cab.setup_document(change_keys(keys) if change_keys else keys,
                                                  folder, file_name, stored)
                    cab = os.path.join(tmp, "case.cab")
                    make_cab.pack(cab, change_doc(doc) if change_doc else doc,
                                  [(stored, os.path.join(tmp, packed))] if packed else [])
                    run = subprocess.run([sys.executable, CHECK, "--dll", os.path.join(tmp, "dll"),
                                          "--registration", REGISTRATION, cab],
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


if __name__ == "__main__":
    unittest.main()
