#!/usr/bin/env bash
# Builds, with the device's CE tool chain, what runs the device DLL on Wine for ARM, into
# DIR/work/bin:
#   COREDLL.dll, AYGSHELL.dll,  the bridges: the device's libraries, forwarding to Wine's
#   COMMCTRL.dll                (tests/device_run/bridges.py) with the device's differences
#                               written out (bridge_coredll.cpp and wince/);
#   device_scenario.exe         the Today host of the scenario (tests/device_run/scenario.cpp);
#   recorder.exe, fexplore.exe  the program that the item's starts reach (tests/recorder.cpp);
#   tapshelf.dll                a copy of the device DLL;
#   tapshelf_setup.dll          a copy of the setup DLL (the one the CAB carries).
# Every file gets the PE machine ARMv7 (0x01C4), the only ARM kind Wine loads, in place of the
# tool chain's ARM (0x01C0); nothing else changes. The programs and bridges are compiled
# against the desktop's headers (mingw-w64's): they are Wine's programs and call Wine; only
# the bridges' exports face the device DLL, in the device's layouts.
#   build-arm-run.sh DIR DEVICE_DLL SETUP_DLL TOOLCHAIN_BIN
set -euo pipefail
dir=$(cd "$1" && pwd)
device_dll=$2
setup_dll=$3
export PATH="$4:$PATH"
top=$(cd "$(dirname "$0")/.." && pwd)
src="$top/tests/device_run"
bin="$dir/work/bin"
gen="$dir/work/gen"
mkdir -p "$bin" "$gen"
# The names Wine's libraries export. Debian builds Wine for ARM without a PE compiler, so its
# libraries are ELF files whose export tables a PE reader cannot see; this machine's 64-bit
# Wine is the same release, with the same lists, in PE files.
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

python3 "$src/bridges.py" --wine "$wine_dlls" --out "$gen" "$device_dll" "$setup_dll"
libs=()
for def in "$gen"/*.def; do
  lib=$(basename "$def" .def)
  case "$lib" in COREDLL|AYGSHELL|COMMCTRL) continue ;; esac
  if [ ! -f "$gen/lib$lib.a" ] || [ "$def" -nt "$gen/lib$lib.a" ]; then
    arm-mingw32ce-dlltool -d "$def" -l "$gen/lib$lib.a"
  fi
  libs+=("-l$lib")
done

# The desktop's headers, for ARM; mingw-w64's malloc.h wants the compiler's mm_malloc.h,
# which GCC 4.4 for CE lacks and nothing here uses.
mkdir -p "$gen/include"
: > "$gen/include/mm_malloc.h"
cxx=(arm-mingw32ce-g++ -c -Os -fno-exceptions -fno-rtti -Wall -Werror -nostdinc
     -isystem "$gen/include" -isystem "$(arm-mingw32ce-g++ -print-file-name=include)"
     -isystem /usr/share/mingw-w64/include -D_ARM_ -DUNICODE -D_UNICODE
     -DWINVER=0x0501 -D_WIN32_WINNT=0x0501 -D_WIN32_IE=0x0600 -I"$top")
objects="$dir/work/obj"
mkdir -p "$objects"
compile() { "${cxx[@]}" "$@"; }
for file in device_calls imaging gesture shell_dialogs controls; do
  compile "$top/wince/$file.cpp" -o "$objects/$file.o"
done
for file in bridge_coredll bridge_entry scenario no_crt_start; do
  compile "$src/$file.cpp" -o "$objects/$file.o"
done
compile "$top/tests/recorder.cpp" -o "$objects/recorder.o"

link=(arm-mingw32ce-g++ -nostdlib -Wl,--subsystem,windows -L"$gen")
# Each library at a base of its own: the device DLL keeps 0x10000000.
"${link[@]}" -shared -o "$bin/COREDLL.dll" "$gen/COREDLL.def" "$objects/bridge_coredll.o" \
  "$objects/device_calls.o" "$objects/imaging.o" "$objects/bridge_entry.o" "${libs[@]}" -lgcc \
  -Wl,-e,BridgeEntry,--image-base,0x20000000
"${link[@]}" -shared -o "$bin/AYGSHELL.dll" "$gen/AYGSHELL.def" "$objects/shell_dialogs.o" \
  "$objects/gesture.o" "$objects/bridge_entry.o" "${libs[@]}" -lgcc \
  -Wl,-e,BridgeEntry,--image-base,0x21000000
"${link[@]}" -shared -o "$bin/COMMCTRL.dll" "$gen/COMMCTRL.def" "$objects/controls.o" \
  "$objects/bridge_entry.o" "${libs[@]}" -lgcc -Wl,-e,BridgeEntry,--image-base,0x22000000
"${link[@]}" -o "$bin/device_scenario.exe" "$objects/scenario.o" "$objects/controls.o" "$objects/no_crt_start.o" \
  "${libs[@]}" -lgcc -Wl,-e,ProgramStart,--image-base,0x00400000
"${link[@]}" -o "$bin/recorder.exe" "$objects/recorder.o" "$objects/no_crt_start.o" \
  "${libs[@]}" -lgcc -Wl,-e,ProgramStart,--image-base,0x00400000
cp "$bin/recorder.exe" "$bin/fexplore.exe"
cp "$device_dll" "$bin/tapshelf.dll"
cp "$setup_dll" "$bin/tapshelf_setup.dll"
for file in COREDLL.dll AYGSHELL.dll COMMCTRL.dll device_scenario.exe recorder.exe fexplore.exe tapshelf.dll \
    tapshelf_setup.dll; do
  python3 "$src/device_run.py" armv7 "$bin/$file"
done
