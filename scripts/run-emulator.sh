#!/usr/bin/env bash
# `make run`: the Today-screen emulator with Tapshelf on it.
# With a display it opens the emulator's screen there, with Tapshelf installed from the
# emulator's CAB unless it is installed already. Without one (or under CI, or with
# TAPSHELF_TOUR=1) it runs the guided tour host/tour/tour.txt on a private virtual display and
# writes its numbered screenshots into the build folder; the tour installs Tapshelf, and
# removes it at its end.
#   SCREEN=240x320 (default), 320x240, 240x240, 480x640, 640x480, 480x480 (Windows Mobile 5),
#   480x800, 800x480 or 320x320 (Windows Mobile 6), at the density a device of that screen
#   has (wine_env_dpi). Menu > Rotate, or the script step `rotate`, turns the screen.
#   UI=en (default) or ja: the device's language. The tour then shows the options and the
#   appearance dialogs, the entry editor and the file chooser once more in the other
#   language (host/tour/tour-dialogs.txt).
#   SCRIPT=FILE runs that script of steps instead (headless, or on the display with
#   TAPSHELF_USE_DISPLAY=1); its screenshots and log go to BUILD/script-out.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$here/wine-env.sh"

screen=${SCREEN:-240x320}
case "$screen" in
  240x320|320x240|240x240|480x640|640x480|480x480|480x800|800x480|320x320) ;;
  *) echo "run: SCREEN must be one of 240x320 320x240 240x240 480x640 640x480 480x480 480x800 800x480" \
          "320x320 (not $screen)" >&2; exit 2 ;;
esac
ui=${UI:-en}
case "$ui" in
  en) other=ja ;;
  ja) other=en ;;
  *) echo "run: UI must be en or ja (not $ui)" >&2; exit 2 ;;
esac
build=$(cd "$build" && pwd)
host="$build/bin/todayhost.exe"
[ -f "$host" ] || { echo "run: $host is missing; build first" >&2; exit 1; }

script=${SCRIPT:-}
if [ -n "$script" ]; then
  [ -f "$script" ] || { echo "run: no script $script" >&2; exit 2; }
  script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")
fi
interactive=0
if [ -n "$script" ]; then
  :   # headless, unless TAPSHELF_USE_DISPLAY=1 asks for the display
elif [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && [ -z "${TAPSHELF_TOUR:-}" ]; then
  interactive=1
  export TAPSHELF_USE_DISPLAY=1
else
  unset TAPSHELF_USE_DISPLAY
fi

trap wine_env_teardown EXIT
wine_env_setup "$build" wine-run "$screen" || exit 1
wine_env_language "$ui"
# A VGA device draws at 192 dots per inch: dialogs and their fonts come out twice as big.
dpi=$(wine_env_dpi "$screen")
wine_env_density "$dpi"
wine_env_warm

if [ $interactive = 1 ]; then
  shots="$build/screenshots"
  echo "run: the emulator ($screen, $dpi dpi, language $ui) opens on display $DISPLAY; Menu > Exit emulator ends it."
  echo "run: Menu > Screenshot saves into $shots"
  wine "$host" --device T: --install --out "$shots" --log "$build/wine-run-host.log"
  exit $?
fi

if [ -n "$script" ]; then
  out="$build/script-out"
  mkdir -p "$out"
  echo "run: running $script on the $screen screen, language $ui"
  wine "$host" --device T: --script "$script" --out "$out" --log "$out/script.log" --timeout 300
  status=$?
  echo "run: exit $status; screenshots and script.log are in $out"
  exit $status
fi

# The emulator keeps one registry for every screen, and the tour ends by typing its icon
# size back in, which stores every appearance value. Unstored, each follows the screen's
# density (16-pixel icons at 96 dpi, 32 at 192): the tour starts and ends with them so.
forget_appearance() {
  local file="$WINEPREFIX/forget-appearance.reg" name
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tapshelf]\n' > "$file"
  for name in backbmpfile stretch_backbmp CtrlUpDown IconSize HMargin VMargin WinLeftMargin \
              WinTopMargin WinRightMargin WinBottomMargin ShowIconSec; do
    printf '"%s"=-\n' "$name" >> "$file"
  done
  wine regedit /S "$file" </dev/null >/dev/null 2>&1
}

tour="$build/tour"
[ "$screen" = 240x320 ] || tour="$build/tour-$screen"
mkdir -p "$tour"
rm -rf "$tour"/*.png "$tour/tour.log" "$tour/en" "$tour/ja"
echo "run: no display; taking the guided tour on a virtual $screen screen ($dpi dpi), language $ui"
forget_appearance
wine "$host" --device T: --script "$root/host/tour/tour.txt" --out "$tour" --log "$tour/tour.log" --timeout 90
status=$?
forget_appearance
if [ $status -eq 0 ]; then
  mkdir -p "$tour/$other"
  wine_env_language "$other"
  wine "$host" --device T: --script "$root/host/tour/tour-dialogs.txt" --out "$tour/$other" \
    --log "$tour/$other/tour.log" --timeout 60
  status=$?
fi
shopt -s nullglob
shots=("$tour"/*.png "$tour/$other"/*.png)
if [ $status -ne 0 ] || [ ${#shots[@]} -eq 0 ]; then
  echo "run: the tour failed (exit $status); see $tour/tour.log and $tour/$other/tour.log" >&2
  exit 1
fi
grep -q "no dialog is open" "$tour/tour.log" 2>/dev/null \
  && echo "run: Tapshelf has no options dialog yet, so the tour ends before it"
if [ -e "$TAPSHELF_DEVICE/Windows/tapshelf.dll" ]; then
  echo "run: the tour's removal left \\Windows\\tapshelf.dll behind; see $tour/tour.log" >&2
  exit 1
fi
echo "run: installed, upgraded and removed again: \\Windows holds no tapshelf.dll"
echo "run: ${#shots[@]} screenshots of the tour are in $tour:"
for shot in "${shots[@]}"; do echo "  ${shot#$tour/}"; done
