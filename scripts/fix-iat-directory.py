#!/usr/bin/env python3
"""Corrects the import address table's data directory entry of a DLL the CE tool chain linked.

The tool chain's linker writes that entry's address as an absolute one (image base plus
offset, 0x10008E70) where an offset from the image base belongs (0x8E70): it lies far beyond
the image's size. Wine ignores the entry; a stricter loader may refuse the file or misread it.
This rewrites the one field in place, and only when it holds such an absolute address that,
made relative, lies inside the image. Every other byte stays as it is.

Usage: fix-iat-directory.py DLL      Exit 0 when the entry is (now) right, 1 otherwise.
"""
import struct
import sys

IAT = 12


def fix(data):
    """(new data or None when nothing changed, message)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if magic != 0x10B:
        raise ValueError("not a 32-bit PE image (optional header magic 0x%x)" % magic)
    base, = struct.unpack_from("<I", data, opt + 28)
    image_size, = struct.unpack_from("<I", data, opt + 56)
    count, = struct.unpack_from("<I", data, opt + 92)
    if count <= IAT:
        return None, "no import address table entry (%d directories)" % count
    at = opt + 96 + 8 * IAT
    rva, size = struct.unpack_from("<II", data, at)
    if rva + size <= image_size:
        return None, "import address table at 0x%x (%d bytes): inside the image" % (rva, size)
    if rva < base or rva - base + size > image_size:
        raise ValueError("import address table at 0x%x (%d bytes) lies outside the image "
                         "(0x%x bytes at 0x%x), and not as an absolute address" % (rva, size, image_size, base))
    fixed = bytearray(data)
    struct.pack_into("<I", fixed, at, rva - base)
    return bytes(fixed), "import address table: 0x%x made relative to the image base, 0x%x" % (rva, rva - base)


def main(argv):
    if len(argv) != 2:
        print("usage: fix-iat-directory.py DLL", file=sys.stderr)
        return 1
    with open(argv[1], "rb") as handle:
        data = handle.read()
    try:
        fixed, message = fix(data)
    except (ValueError, struct.error) as error:
        print("fix-iat-directory: %s: %s" % (argv[1], error), file=sys.stderr)
        return 1
    if fixed is not None:
        with open(argv[1], "wb") as handle:
            handle.write(fixed)
        print("device: %s" % message)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
