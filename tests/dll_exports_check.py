#!/usr/bin/env python3
"""Checks that a built tapshelf.dll exports ordinals 240 and 241 and no names.

Reads the export table with the tool chain's objdump, so it needs no Wine and serves the
32-bit build on a host that cannot run it. Usage: dll_exports_check.py --objdump TOOL DLL"""
import argparse
import re
import subprocess
import sys

EXPECTED = {240, 241}


def exports(text):
    """(ordinals, names) from `objdump -p` output."""
    ordinals, names, section = set(), [], None
    for line in text.splitlines():
        if line.startswith("Export Address Table -- "):
            section = "ordinals"
        elif line.startswith("[Ordinal/Name Pointer] Table"):
            section = "names"
        elif not line.strip():
            section = None
        elif section == "ordinals":
            match = re.search(r"\+base\[\s*(\d+)\]", line)
            if match:
                ordinals.add(int(match.group(1)))
        elif section == "names":
            names.append(line.strip())
    return ordinals, names


def export_fault(ordinals, names):
    """What is wrong with the plug-in's exports (ordinals and names, however read), or None."""
    if set(ordinals) != EXPECTED or names:
        return "the plug-in must export ordinals 240 and 241 only, by ordinal alone"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--objdump", required=True)
    parser.add_argument("dll")
    args = parser.parse_args()
    result = subprocess.run([args.objdump, "-p", args.dll], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, universal_newlines=True)
    if result.returncode != 0:
        print("ERROR: %s" % result.stderr.strip(), file=sys.stderr)
        return 2
    ordinals, names = exports(result.stdout)
    print("exports of %s: ordinals %s; names %s" % (args.dll, sorted(ordinals), names or "none"))
    fault = export_fault(ordinals, names)
    if fault:
        print("FAIL: %s" % fault)
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
