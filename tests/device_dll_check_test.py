#!/usr/bin/env python3
"""The device DLL's header and code checks must see the faults they are there to catch.

On copies of the device build's tapshelf.dll:
- the import address table's entry written as an absolute address, as the tool chain's
  linker writes it: device_dll_check's data directory check fails on it, and
  scripts/fix-iat-directory.py gives back the file as the build made it;
- a few loads and stores through sp written over its first code words: the alignment check
  names exactly the misaligned ones among them, at their addresses;
- its version resource with another number in its fixed part, with another FileVersion
  text, and with a length beyond the resource: version_check fails on the first two, and its
  reader says the third does not fit.

Usage: device_dll_check_test.py DEVICE_DLL
Exit 0 when every fault is seen, 1 otherwise, 77 (skipped) without a device build.
"""
import importlib.util
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import device_align_check  # noqa: E402
from device_api_check import SKIPPED, device_build_missing  # noqa: E402
from device_dll_check import directories_check  # noqa: E402
from pe_image import DIR_IAT, PEError, PEImage  # noqa: E402
from version_check import read_version_file, version_fault  # noqa: E402

# The post-link fix is a script with a dash in its name: loaded from its path.
_fixer = importlib.util.spec_from_file_location(
    "fix_iat_directory", os.path.join(HERE, "..", "scripts", "fix-iat-directory.py"))
fix_iat_directory = importlib.util.module_from_spec(_fixer)
_fixer.loader.exec_module(fix_iat_directory)

# (instruction word, its text, misaligned?)
STACK_ACCESSES = (
    (0xE59D8042, "ldr r8, [sp, #66]", True),
    (0xE1DD00B3, "ldrh r0, [sp, #3]", True),
    (0xE14D10B5, "strh r1, [sp, #-5]", True),
    (0xE1DD20F7, "ldrsh r2, [sp, #7]", True),
    (0xE1CD40D6, "ldrd r4, [sp, #6]", True),
    (0xE58D3002, "str r3, [sp, #2]", True),
    (0xE59D0004, "ldr r0, [sp, #4]", False),
    (0xE5DD0003, "ldrb r0, [sp, #3]", False),
    (0xE1DD00D3, "ldrsb r0, [sp, #3]", False),
    (0xE49D0002, "ldr r0, [sp], #2 (the address is sp)", False),
    (0xE59C0002, "ldr r0, [ip, #2] (not the stack)", False),
)


def with_absolute_iat(image):
    data = bytearray(image.data)
    address, size = image.directories[DIR_IAT]
    struct.pack_into("<II", data, image.directories_offset + 8 * DIR_IAT, address + image.image_base, size)
    return PEImage(data, "copy with an absolute IAT address")


def with_stack_accesses(image):
    data = bytearray(image.data)
    code = next(s for s in image.sections if s.is_code)
    for i, (word, _, _) in enumerate(STACK_ACCESSES):
        struct.pack_into("<I", data, code.raw_offset + 4 * i, word)
    return PEImage(data, "copy with stack accesses"), image.image_base + code.rva


def with_version_changed(image, version):
    """Three copies of the image, each with one fault of its version resource."""
    def replaced(at, new, what):
        return PEImage(image.data[:at] + new + image.data[at + len(new):], what)
    fixed = image.data.find(struct.pack("<I", 0xFEEF04BD))
    file_ls = struct.unpack_from("<I", image.data, fixed + 12)[0]
    text = version.encode("utf-16-le")
    value = image.data.find(text, image.data.find("FileVersion\0".encode("utf-16-le")))
    other = version[:-1] + ("8" if version.endswith("9") else "9")
    root = image.data.find("VS_VERSION_INFO".encode("utf-16-le")) - 6
    return [
        (replaced(fixed + 12, struct.pack("<I", file_ls + 0x10000), "copy, fixed file version"),
         "file version"),
        (replaced(value, other.encode("utf-16-le"), "copy, FileVersion text"), "FileVersion"),
        (replaced(root, struct.pack("<H", 0xFFFF), "copy, version resource overlong"), "fit"),
    ]


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-2], file=sys.stderr)
        return 2
    if device_build_missing(argv[1]):
        return SKIPPED
    image = PEImage.from_file(argv[1])
    results = []

    passed, line = directories_check(image)
    results.append((passed, "the build's own directories pass: " + line))
    faulty = with_absolute_iat(image)
    passed, line = directories_check(faulty)
    results.append((not passed and "import address table" in line,
                    "an absolute IAT address fails: " + line))
    fixed, message = fix_iat_directory.fix(faulty.data)
    results.append((fixed == image.data, "the post-link fix restores the build's file: " + message))

    copy, start = with_stack_accesses(image)
    faults, _ = device_align_check.misaligned(copy)
    found = {address for address, _ in faults}
    for i, (_, text, bad) in enumerate(STACK_ACCESSES):
        seen = start + 4 * i in found
        results.append((seen == bad, "%s: %s" % (text, "found" if seen else "passed")))
    others = found - {start + 4 * i for i in range(len(STACK_ACCESSES))}
    results.append((not others, "nothing else found in the copy%s" % (
        ": %s" % sorted(hex(a) for a in others) if others else "")))

    version = read_version_file(os.path.join(HERE, "..", "VERSION"))
    fault = version_fault(image, version)
    results.append((fault is None, "the build's version resource passes: %s" % (fault or version)))
    for copy, named in with_version_changed(image, version):
        try:
            fault = version_fault(copy, version)
        except PEError as error:
            fault = str(error)
        results.append((fault is not None and named in fault, "%s fails: %s" % (copy.path, fault)))

    for passed, line in results:
        print("%s %s" % ("ok  " if passed else "FAIL", line))
    failed = sum(1 for passed, _ in results if not passed)
    print("%s: %d of %d" % ("FAIL" if failed else "PASS", len(results) - failed, len(results)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
