#!/usr/bin/env python3
"""What the device run needs beside Wine.

  device_run.py armv7 FILE
      Sets the PE machine of FILE to ARMv7 (0x01C4), the only ARM kind that Wine for ARM
      loads, in place of the CE tool chain's ARM (0x01C0); every other byte stays.

  device_run.py compare REFERENCE_DIR ARM_DIR PICTURES_DIR
      The ARM run against the x86_64 reference, each a folder the scenario host wrote
      (answers.txt, and the screen pictures NN-name.ppm that the watcher took for it): every
      answer line must be the same, and every picture equal pixel for pixel. Writes each ARM picture as PNG to PICTURES_DIR, and, for a
      picture that differs, the reference's (name.x86.png) and a map of the differing
      pixels (name.diff.png). One line per difference; exit 0 when there is none, 1 otherwise.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from pe_image import PEImage  # noqa: E402

ARM, ARMV7 = 0x01C0, 0x01C4


def armv7(path):
    with open(path, "r+b") as f:
        data = f.read()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        machine = PEImage(data, path).machine
        if machine not in (ARM, ARMV7):
            sys.exit("device_run: %s is no ARM file (machine 0x%04x)" % (path, machine))
        f.seek(pe + 4)
        f.write(struct.pack("<H", ARMV7))


class Picture:
    """A binary PPM (P6) of 8-bit RGB, as ImageMagick writes it."""

    def __init__(self, path):
        data = open(path, "rb").read()
        fields, at = [], 0
        while len(fields) < 4:
            while data[at:at + 1].isspace():
                at += 1
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("%s: not an 8-bit binary PPM" % path)
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[at + 1:at + 1 + 3 * self.width * self.height]

    def rgb_rows(self):
        stride = 3 * self.width
        return [self.pixels[y * stride:(y + 1) * stride] for y in range(self.height)]


def write_png(path, width, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def differing_pixels(a, b):
    """The positions where two pictures of one size differ."""
    pa, pb = a.pixels, b.pixels
    return [(i // 3 % a.width, i // 3 // a.width) for i in range(0, len(pa), 3) if pa[i:i + 3] != pb[i:i + 3]]


def diff_rows(a, positions):
    """The reference picture dimmed, with the differing pixels in magenta."""
    rows = [bytearray(bytes(v // 3 for v in row)) for row in a.rgb_rows()]
    for x, y in positions:
        rows[y][3 * x:3 * x + 3] = b"\xff\x00\xff"
    return [bytes(row) for row in rows]


def compare(reference_dir, arm_dir, pictures_dir):
    os.makedirs(pictures_dir, exist_ok=True)
    problems = []

    def answers(folder):
        path = os.path.join(folder, "answers.txt")
        try:
            return open(path, encoding="utf-8").read().splitlines()
        except OSError:
            return None
    expected, got = answers(reference_dir), answers(arm_dir)
    if expected is None or got is None:
        problems.append("no answers.txt in %s" % (reference_dir if expected is None else arm_dir))
        expected, got = expected or [], got or []
    for number in range(max(len(expected), len(got))):
        want = expected[number] if number < len(expected) else "(nothing)"
        have = got[number] if number < len(got) else "(nothing)"
        if want != have:
            problems.append("answer %d: x86_64 %r, ARM %r" % (number + 1, want, have))
            break  # the lines after the first difference follow from it

    names = sorted(n for n in os.listdir(reference_dir) if n.endswith(".ppm"))
    not_taken = []
    for name in sorted(set(names) | set(n for n in os.listdir(arm_dir) if n.endswith(".ppm"))):
        base = name[:-4]
        if not os.path.exists(os.path.join(arm_dir, name)):
            not_taken.append(base)
            continue
        arm = Picture(os.path.join(arm_dir, name))
        write_png(os.path.join(pictures_dir, base + ".png"), arm.width, arm.rgb_rows())
        if name not in names:
            problems.append("picture %s: missing in the x86_64 run" % base)
            continue
        reference = Picture(os.path.join(reference_dir, name))
        if (arm.width, arm.height) != (reference.width, reference.height):
            problems.append("picture %s: %dx%d, x86_64 %dx%d" % (base, arm.width, arm.height,
                                                                reference.width, reference.height))
            continue
        positions = differing_pixels(reference, arm)
        if positions:
            xs, ys = [p[0] for p in positions], [p[1] for p in positions]
            problems.append("picture %s: %d pixels differ, within (%d,%d)-(%d,%d)" % (
                base, len(positions), min(xs), min(ys), max(xs), max(ys)))
            write_png(os.path.join(pictures_dir, base + ".x86.png"), reference.width, reference.rgb_rows())
            write_png(os.path.join(pictures_dir, base + ".diff.png"), reference.width,
                      diff_rows(reference, positions))
    if not_taken:
        problems.append("picture%s %s: missing in the ARM run" % (
            "s" if len(not_taken) > 1 else "", ", ".join(not_taken)))
    for problem in problems:
        print("device-run: " + problem)
    print("device-run: %d answers, %d pictures compared with the x86_64 run: %s" % (
        len(got), len(names), "the same" if not problems else "%d differences" % len(problems)))
    return 0 if not problems else 1


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "armv7":
        armv7(sys.argv[2])
        return 0
    if len(sys.argv) == 5 and sys.argv[1] == "compare":
        return compare(*sys.argv[2:])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
