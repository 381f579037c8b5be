#!/usr/bin/env python3
"""Finds misaligned stack accesses in the device build's ARM code.

The device's ARMv4/ARMv5 processor faults on a word load or store at an address that is not
a multiple of 4, and on a halfword one at an odd address; inside the Today host that takes
the whole Today screen down. The stack pointer is always word aligned, so an access
[sp, #imm] is misaligned whenever imm is: the mark of a structure read through a pointer
into a byte buffer at an offset (a file header, registry data).

The check decodes every word of the DLL's code sections as an ARM instruction and looks at
the immediate-offset forms that address the stack:
- LDR/STR (word): the offset must be a multiple of 4;
- LDRH/STRH/LDRSH (halfword): the offset must be even;
- LDRD/STRD (two words): the offset must be a multiple of 4.
Byte accesses, register offsets and post-indexed forms (the address is sp itself) cannot be
misaligned here. A DLL whose code shows no stack access at all is no ARM code this check can
read: that fails too, so that the check never passes by seeing nothing.

Usage: device_align_check.py DEVICE_DLL
One line per misaligned access (address and instruction), then PASS or FAIL. Exit 0 on
PASS, 1 on FAIL, 2 when the file cannot be read, 77 (skipped) without a device build.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from device_api_check import SKIPPED, device_build_missing  # noqa: E402
from pe_image import PEError, PEImage  # noqa: E402

SP = 13
CONDITIONS = ("eq", "ne", "cs", "cc", "mi", "pl", "vs", "vc",
              "hi", "ls", "ge", "lt", "gt", "le", "", "")


def stack_access(word):
    """(mnemonic, register, offset, size) of an immediate-offset access through sp whose
    address is sp + offset, or None for any other instruction."""
    cond = word >> 28
    if cond == 0xF:  # unconditional space: no loads or stores of these kinds
        return None
    pre, up, load = (word >> 24) & 1, (word >> 23) & 1, (word >> 20) & 1
    rn, rd = (word >> 16) & 0xF, (word >> 12) & 0xF
    if rn != SP or not pre:
        return None
    suffix = CONDITIONS[cond]
    if (word >> 25) & 0x7 == 0b010:  # single data transfer, immediate offset
        if (word >> 22) & 1:  # a byte
            return None
        offset = word & 0xFFF
        return ("ldr" if load else "str") + suffix, rd, offset if up else -offset, 4
    if (word >> 25) & 0x7 == 0 and (word >> 22) & 1 and (word >> 4) & 0x9 == 0x9:
        kind = (word >> 5) & 0x3  # halfword and signed transfers, immediate offset
        offset = ((word >> 4) & 0xF0) | (word & 0xF)
        offset = offset if up else -offset
        if kind == 0:  # multiplies and swaps
            return None
        if kind == 1:
            return ("ldrh" if load else "strh") + suffix, rd, offset, 2
        if kind == 2 and not load:
            return "ldrd" + suffix, rd, offset, 4
        if kind == 3:
            return ("ldrsh" if load else "strd") + suffix, rd, offset, 2 if load else 4
    return None


def code_words(image):
    """(address, word) of every word of the code sections, at its address when loaded."""
    for section in image.sections:
        if not section.is_code:
            continue
        size = min(section.virtual_size or section.raw_size, section.raw_size)
        raw = image.data[section.raw_offset:section.raw_offset + size]
        for at in range(0, len(raw) - 3, 4):
            yield image.image_base + section.rva + at, struct.unpack_from("<I", raw, at)[0]


def misaligned(image):
    """([(address, text)] of misaligned stack accesses, count of stack accesses seen)."""
    faults, seen = [], 0
    for address, word in code_words(image):
        access = stack_access(word)
        if access is None:
            continue
        seen += 1
        mnemonic, register, offset, size = access
        if offset % size:
            faults.append((address, "%08x  %s r%d, [sp, #%d]" % (word, mnemonic, register, offset)))
    return faults, seen


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        print(__doc__.strip().splitlines()[-4], file=sys.stderr)
        return 2
    path = argv[1]
    if device_build_missing(path):
        return SKIPPED
    try:
        faults, seen = misaligned(PEImage.from_file(path))
    except (PEError, OSError, struct.error) as error:
        print("ERROR: %s" % error, file=sys.stderr)
        return 2
    for address, text in faults:
        print("FAIL 0x%08x: %s" % (address, text))
    if not seen:
        print("FAIL: %s: no stack access found in its code: not ARM code this check reads" % path)
        return 1
    if faults:
        print("FAIL: %d of the %d stack accesses in %s are misaligned: the device faults there"
              % (len(faults), seen, path))
        return 1
    print("PASS: all %d stack accesses in %s are aligned" % (seen, path))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
