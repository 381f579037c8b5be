#!/usr/bin/env bash
# Exits 0 when this host can run 32-bit x86 programs, 1 when it cannot. Some kernels have
# their 32-bit emulation switched off; the only sure test is to run a 32-bit program, so
# this writes the smallest one (a static i386 ELF that exits with 0) and runs it.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
python3 - "$probe" <<'PY'
import struct, sys
code = bytes([0xb8, 1, 0, 0, 0, 0x31, 0xdb, 0xcd, 0x80])    # exit(0) through int 0x80
base, start = 0x08048000, 52 + 32
header = struct.pack("<4sBBBB8sHHIIIIIHHHHHH", b"\x7fELF", 1, 1, 1, 0, bytes(8), 2, 3, 1,
                     base + start, 52, 0, 0, 52, 32, 1, 0, 0, 0)
program = struct.pack("<IIIIIIII", 1, 0, base, base, start + len(code), start + len(code), 5, 0x1000)
with open(sys.argv[1], "wb") as out:
    out.write(header + program + code)
PY
chmod +x "$probe"
"$probe" >/dev/null 2>&1
