# Sourced by the test, run and bench scripts: the project's own Wine prefix,
# the device's root folder as drive T:, and a display.
#   wine_env_setup BUILD_DIR PREFIX_NAME [WIDTHxHEIGHT] [x86_64|i686|arm]
# Never touches ~/.wine: everything lives under the build folder. Call wine_env_teardown
# on every way out (trap it before the set-up): it stops the server and the display.
# The device's language is English unless a run chooses otherwise (wine_env_language).
#
# Every run uses the loader and server of the build's own architecture, named directly:
# Debian's `wine` wrapper picks the 32-bit loader whenever wine32 is installed, even on
# a host that cannot run 32-bit programs. Small `wine`, `wineserver` and `wineboot`
# commands in BUILD_DIR/wine-bin, first on PATH, make every later call (the scripts',
# CTest's, the end-to-end tests') use the right ones.

wine_env_setup() {
  local build
  build=$(cd "$1" 2>/dev/null && pwd) || { echo "wine-env: no build folder $1 (build first)" >&2; return 1; }
  local name=$2 screen=${3:-240x320} arch=${4:-x86_64}
  export WINEPREFIX="$build/$name"
  # No Mono, no Gecko, and no menu entries or file associations written into the user's
  # desktop (winemenubuilder).
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  export WINEDEBUG=${WINEDEBUG:--all}
  export TAPSHELF_DEVICE="$build/$name-device"
  wine_env_language en
  _wine_env_commands "$build/wine-bin" "$arch" || return 1

  _wine_env_display "$screen" || return 1
  if [ ! -f "$WINEPREFIX/.tapshelf-prefix-3" ]; then
    echo "wine: creating the $WINEARCH prefix $WINEPREFIX (once, ~30 s)"
    rm -rf "$WINEPREFIX"
    # mshtml must load while the prefix is made: registering it writes most of the shell's
    # file types (".exe" is an "Application" with the program's own icon, ".txt", ".bmp"
    # and so on); without it a program shows the blank page of an unknown file. Its
    # registration loads no Gecko. mscoree stays off: registering it looks for Mono.
    WINEDLLOVERRIDES="mscoree,winemenubuilder.exe=" wineboot -i </dev/null >/dev/null 2>&1 || true
    # Nothing may wait for an answer here (an installer's question would): give up instead.
    if ! timeout 300 wineserver -w; then
      wineserver -k 2>/dev/null
      echo "wine-env: making the prefix $WINEPREFIX did not finish in 300 s" >&2
      return 1
    fi
    if [ ! -d "$WINEPREFIX/dosdevices" ]; then
      echo "wine-env: could not create the prefix $WINEPREFIX" >&2
      return 1
    fi
    if ! grep -q '^\[Software\\\\Classes\\\\\.exe\]' "$WINEPREFIX/system.reg"; then
      echo "wine-env: the prefix $WINEPREFIX lacks the shell's file types (no .exe)" >&2
      return 1
    fi
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
       /usr/share/wine/fonts/marlett.ttf /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$fonts/"
    cat > "$WINEPREFIX/tapshelf.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"
REG
    wine regedit /S "$WINEPREFIX/tapshelf.reg" </dev/null >/dev/null 2>&1
    _wine_env_font_links
    wineserver -w
    touch "$WINEPREFIX/.tapshelf-prefix-3"
  fi
  # A run with another code page (a prefix made under a Japanese LC_CTYPE or LC_ALL, say)
  # has Wine put its own links in place of ours as the code page changes.
  _wine_env_font_links_kept || { _wine_env_font_links; wineserver -w; }
  wine_env_screen "$screen"

  # The device root "\" is the root of the current drive: drive T:, a folder of our own.
  mkdir -p "$TAPSHELF_DEVICE"
  ln -sfn "$TAPSHELF_DEVICE" "$WINEPREFIX/dosdevices/t:"
}

# The device's UI language, en or ja, for every Wine process started from here on, never
# the host's. Wine takes a process's UI language from its locale's messages category
# (LC_MESSAGES), and only from a locale the machine has: the bootstrap generates both, or
# Wine would quietly show English. The rest of the locale, the code page among it, stays
# English in both: Wine rewrites Tahoma's font link whenever the code page changes, and
# the Japanese glyphs would go with it.
wine_env_language() {
  local messages
  case "$1" in
    en) messages=en_US.UTF-8 ;;
    ja) messages=ja_JP.UTF-8 ;;
    *) echo "wine-env: unknown language $1 (en or ja)" >&2; return 1 ;;
  esac
  unset LC_ALL LANGUAGE $(compgen -e | grep '^LC_')
  export LANG=en_US.UTF-8 LC_MESSAGES=$messages
}

# The virtual desktop size stands for the device screen (read when the server starts).
wine_env_screen() {
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$1" /f </dev/null >/dev/null 2>&1
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null || true
}

# The screen's density in dots per inch, as a Windows Mobile device of that screen has it:
# 96 for 240 pixels across the shorter side, 192 for 480 (VGA), 128 for the 320x320 square.
wine_env_dpi() {
  local w=${1%x*} h=${1#*x}
  local shorter=$(( w < h ? w : h ))
  if [ "$shorter" -ge 480 ]; then echo 192
  elif [ "$shorter" -ge 320 ]; then echo 128
  else echo 96
  fi
}

# The density (dots per inch) that Wine's processes draw at: fonts, dialogs and system
# metrics follow it. Wine reads it when a process starts; the server is restarted when it
# changes.
wine_env_density() {
  if [ "$(cat "$WINEPREFIX/.tapshelf-dpi" 2>/dev/null)" != "$1" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    echo "$1" > "$WINEPREFIX/.tapshelf-dpi"
  fi
}

# The device's screen for the runs that follow (WIDTHxHEIGHT): the virtual desktop's size,
# and the dots per inch a device of that screen draws at (wine_env_dpi); text unsmoothed,
# as a Pocket PC draws it unless its owner switches ClearType on. (Smoothed, the larger VGA text also comes out a grey level apart here and there
# between Wine's ARM and x86-64 builds: FreeType's fixed-point arithmetic rounds otherwise
# on each. Fonts that fontconfig supplies take its smoothing, the others Wine's setting.)
# Restarts the server, which takes them as it starts.
wine_env_device_screen() {
  local dpi
  dpi=$(wine_env_dpi "$1")
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="%s"\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n"FontSmoothing"="0"\n' \
    "$1" $dpi > "$WINEPREFIX/screen.reg"
  cat > "$WINEPREFIX/fonts.conf" <<'CONF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern"><edit name="antialias" mode="assign"><bool>false</bool></edit></match>
  <match target="font"><edit name="antialias" mode="assign"><bool>false</bool></edit></match>
</fontconfig>
CONF
  export FONTCONFIG_FILE="$WINEPREFIX/fonts.conf"
  wine regedit /S "$WINEPREFIX/screen.reg" </dev/null >/dev/null 2>&1
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null || true
}

# Starts a warm server with no pipes attached: its background services must not
# inherit the stdout of ctest or of a pipe.
wine_env_warm() {
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# The start the test, bench and soak runs share: the set-up (arguments as wine_env_setup's),
# undone on every way out; the marker that tells the test kit drive T: is its sandbox;
# a warm server. Ends the script when the set-up fails.
wine_env_sandbox() {
  trap wine_env_teardown EXIT
  wine_env_setup "$@" || exit 1
  touch "$TAPSHELF_DEVICE/.tapshelf-device"
  wine_env_warm
}

# The full path of a program the build makes (BUILD_DIR RELATIVE_PATH MAKE_TARGET), or a
# message that it is missing and a failing status.
wine_env_built() {
  local path
  path="$(cd "$1" && pwd)/$2"
  if [ ! -f "$path" ]; then
    echo "$3: $path is missing: build first (make $3)" >&2
    return 1
  fi
  echo "$path"
}

wine_env_teardown() {
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null 2>&1; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -n "${_WINE_ENV_XVFB:-}" ]; then
    kill "$_WINE_ENV_XVFB" 2>/dev/null || true
    wait "$_WINE_ENV_XVFB" 2>/dev/null || true
    _WINE_ENV_XVFB=""
  fi
}

# Japanese texts through the Japanese font linked to Tahoma (a list of one string). Wine
# replaces the links with its own whenever a process starts with another code page than the
# one it noted ("Codepages"): every run here has en_US's (wine_env_language).
_wine_env_font_links() {
  local links='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' face
  for face in Tahoma "Tahoma Bold"; do
    wine reg add "$links" /v "$face" /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f </dev/null >/dev/null 2>&1
  done
  wine reg add 'HKCU\Software\Wine\Fonts' /v Codepages /d 1252,437 /f </dev/null >/dev/null 2>&1
}

_wine_env_font_links_kept() {
  [ "$(grep -c '^"Tahoma\( Bold\)\?"=str(7):"ipag.ttf,IPAGothic' "$WINEPREFIX/system.reg")" = 2 ] \
    && grep -q '^"Codepages"="1252,437"' "$WINEPREFIX/user.reg"
}

# The loader and server of one architecture, and the commands that name them.
_wine_env_commands() {
  local bin=$1 arch=$2 loader server
  case "$arch" in
    x86_64) export WINEARCH=win64; loader=/usr/lib/wine/wine64; server=/usr/lib/wine/wineserver64 ;;
    i686|arm) export WINEARCH=win32; loader=/usr/lib/wine/wine; server=/usr/lib/wine/wineserver32 ;;
    *) echo "wine-env: unknown architecture $arch" >&2; return 1 ;;
  esac
  if [ ! -x "$loader" ] || [ ! -x "$server" ]; then
    echo "wine-env: $loader or $server is missing (make bootstrap installs Wine)" >&2
    return 1
  fi
  export WINELOADER=$loader WINESERVER=$server
  mkdir -p "$bin"
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$loader" > "$bin/wine"
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$server" > "$bin/wineserver"
  printf '#!/bin/sh\nexec "%s" wineboot.exe "$@"\n' "$loader" > "$bin/wineboot"
  chmod +x "$bin/wine" "$bin/wineserver" "$bin/wineboot"
  case ":$PATH:" in *":$bin:"*) ;; *) export PATH="$bin:$PATH" ;; esac
}

# A private display for the virtual desktop (WIDTHxHEIGHT, the device's screen). Wine's
# virtual desktop changes its size, as a device turns its screen, only to a size it offers:
# the one it started with, a few standard ones, and that of the display's first monitor. So
# the first monitor has the turned size, and a second, larger one beside it (the two joined
# by Xinerama) gives the desktop room for either. The pointer, which Xinerama keeps on the
# first monitor, starts in its middle, over the desktop, where Wine would move the mouse
# under a held pen: it goes to the monitor's far corner, beside the desktop as it starts (and
# the display does not reset when its last client goes, which would put it back). A square
# screen, which does not turn, has one large monitor.
_wine_env_display() {
  if [ -n "${TAPSHELF_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    export TAPSHELF_POINTER_PARK=""
    return 0
  fi
  local screen=${1:-240x320} n=90
  local turned="${screen#*x}x${screen%x*}" monitors corner=""
  if [ "$turned" = "$screen" ]; then
    monitors=(-screen 0 1024x1024x24)
  else
    monitors=(-screen 0 "${turned}x24" -screen 1 1024x1024x24 +xinerama)
    corner="$((${turned%x*} - 1)) $((${turned#*x} - 1))"
  fi
  # Where a run puts the pointer back after real pen input has moved it (wine_env_park_pointer).
  export TAPSHELF_POINTER_PARK="$corner"
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" "${monitors[@]}" -noreset -nolisten tcp </dev/null >/dev/null 2>&1 &
  _WINE_ENV_XVFB=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    if [ -e "/tmp/.X11-unix/X$n" ] && { [ -z "$corner" ] || _wine_env_pointer_to $corner; }; then
      return 0
    fi
    sleep 0.1
  done
  echo "wine-env: Xvfb did not start on :$n" >&2
  return 1
}

# The pointer back beside the desktop, where the display was made so (nothing to do on a
# display of the user's own, or of a square screen).
wine_env_park_pointer() {
  [ -z "${TAPSHELF_POINTER_PARK:-}" ] || _wine_env_pointer_to $TAPSHELF_POINTER_PARK
}

# Moves the display's pointer to X Y, through Xlib.
_wine_env_pointer_to() {
  python3 - "$1" "$2" <<'PY' 2>/dev/null
import ctypes, sys
x11 = ctypes.CDLL('libX11.so.6')
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 2 + [ctypes.c_int] * 2
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit(1)
x11.XWarpPointer(display, 0, x11.XDefaultRootWindow(display), 0, 0, 0, 0, int(sys.argv[1]), int(sys.argv[2]))
x11.XSync(display, 0)
x11.XCloseDisplay(display)
PY
}
