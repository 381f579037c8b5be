#!/usr/bin/env python3
"""Checks that the device's DLLs carry the release's version, as VERSION gives it.

Each DLL has one version resource: its fixed file and product versions are VERSION's three
numbers and 0, and every string table gives VERSION's text as FileVersion and
ProductVersion. A CAB given is unpacked (gcab) and the plug-in (file 001) and the setup DLL
(file 999) in it are checked so; a CAB named with a version (Tapshelf-<version>.cab, as the
release names it) must be named with VERSION's.
Usage: version_check.py --version-file VERSION FILE...   (DLLs or CABs)
One line per file, then PASS or FAIL. Exit 0 on PASS, 1 on FAIL, 2 when a file cannot be
read, 77 (skipped) when a file given does not exist: no device build was made."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from pe_image import PEError, PEImage, RT_VERSION, version_info  # noqa: E402

SKIPPED = 77
CAB_NAME = re.compile(r"^Tapshelf-(.+)\.cab$", re.IGNORECASE)
CAB_DLLS = ((".001", "plug-in"), (".999", "setup DLL"))


def read_version_file(path):
    with open(path, encoding="ascii") as version_file:
        text = version_file.read().strip()
    if not re.fullmatch(r"\d+\.\d+\.\d+", text):
        raise ValueError("%s holds %r, not major.minor.patch" % (path, text))
    return text


def version_fault(image, expected):
    """None when the image's version resource is expected ("1.2.3"), else what differs."""
    resources = [data for (kind, _, _), data in image.resources().items() if kind == RT_VERSION]
    if len(resources) != 1:
        return "%d version resources, want 1" % len(resources)
    found = version_info(resources[0], "%s: version resource" % image.path)
    numbers = tuple(int(n) for n in expected.split(".")) + (0,)
    faults = ["%s version %s" % (kind, ".".join(map(str, found[kind])))
              for kind in ("file", "product") if found[kind] != numbers]
    if not found["strings"]:
        faults.append("no string table")
    for table, texts in sorted(found["strings"].items()):
        for name in ("FileVersion", "ProductVersion"):
            if texts.get(name) != expected:
                faults.append("%s %s %r" % (table, name, texts.get(name)))
    return "; ".join(faults) or None


def check_dll(path, expected, shown=None):
    """(passed, line) for one DLL."""
    image = PEImage.from_file(path)
    fault = version_fault(image, expected)
    return fault is None, "%s: %s" % (shown or path, "version %s" % expected if fault is None
                                      else "%s, not %s" % (fault, expected))


def check_cab(path, expected):
    """[(passed, line)] for a CAB: its name and the two DLLs it holds."""
    results = []
    named = CAB_NAME.match(os.path.basename(path))
    if named:
        results.append((named.group(1) == expected, "%s: named for version %s%s" % (
            path, named.group(1), "" if named.group(1) == expected else ", not " + expected)))
    if not shutil.which("gcab"):
        raise OSError("gcab not found (apt-get install gcab)")
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["gcab", "-x", "-C", folder, path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        for suffix, what in CAB_DLLS:
            stored = [n for n in os.listdir(folder) if n.endswith(suffix)]
            if len(stored) != 1:
                results.append((False, "%s: %d files %s, want the %s" % (
                    path, len(stored), suffix, what)))
                continue
            results.append(check_dll(os.path.join(folder, stored[0]), expected,
                                     "%s: %s (%s)" % (path, what, stored[0])))
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version-file", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    missing = [path for path in args.files if not os.path.exists(path)]
    if missing:
        print("SKIPPED: no device build (%s does not exist)" % missing[0])
        return SKIPPED
    try:
        expected = read_version_file(args.version_file)
        results = []
        for path in args.files:
            if path.lower().endswith(".cab"):
                results += check_cab(path, expected)
            else:
                results.append(check_dll(path, expected))
    except (OSError, ValueError, PEError, subprocess.CalledProcessError) as error:
        print("ERROR: cannot check: %s" % error)
        return 2
    for passed, line in results:
        print("%s %s" % ("ok  " if passed else "FAIL", line))
    passed = all(ok for ok, _ in results)
    print("PASS" if passed else "FAIL")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
