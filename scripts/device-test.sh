#!/usr/bin/env bash
# make device-test: the device DLL (build-device/tapshelf.dll) executed on this machine. Its
# ARM code runs on Wine for ARM in an armhf Debian root, through qemu-user, with the bridges
# standing in for the device's COREDLL and AYGSHELL, and plays a scenario against a Today
# host of our own; the same scenario with the x86_64 build on the desktop Wine is the
# reference that its answers and pictures must equal.
#   device-test.sh BUILD BUILD_DEVICE BUILD_ARM [--if-possible]
# Where this machine cannot run it (no root, no binfmt_misc, no CE tool chain), one line
# says why and it succeeds; make device-test and make test alike.
# The emulation itself now and then aborts (a qemu assertion, mostly in one of Wine's
# service processes): such a run is told apart from a fault of the DLL and tried once more.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
absolute() { case "$1" in /*) echo "$1" ;; *) echo "$top/$1" ;; esac; }
build=$(absolute "$1") device=$(absolute "$2") arm=$(absolute "$3")
started=$(date +%s)

if ! toolchain=$("$here/ce-toolchain.sh" "$device" 2>&1); then
  echo "device-run: skipped: ${toolchain#device: }"
  exit 0
fi
"$here/arm-root.sh" "$arm"
case $? in 0) ;; 77) exit 0 ;; *) exit 1 ;; esac
"$here/build-device.sh" "$device" --cab >/dev/null || exit 1
# The setup DLL as the device gets it: file 999 of the CAB.
cab="$arm/work/cab"
rm -rf "$cab"
mkdir -p "$cab"
gcab -x -C "$cab" "$device/Tapshelf.cab" >/dev/null || { echo "device-run: cannot unpack $device/Tapshelf.cab" >&2; exit 1; }
setup_dll=$(ls "$cab"/*.999 2>/dev/null | head -1)
[ -n "$setup_dll" ] || { echo "device-run: $device/Tapshelf.cab holds no setup DLL (file 999)" >&2; exit 1; }
"$here/build-arm-run.sh" "$arm" "$device/tapshelf.dll" "$setup_dll" "$toolchain" || { echo "device-run: building the bridges and the host failed" >&2; exit 1; }
for program in "$build/bin/tapshelf.dll" "$build/bin/tapshelf_setup.dll" "$build/tests/device_scenario.exe"; do
  [ -f "$program" ] || { echo "device-run: $program is missing: build first (make build)" >&2; exit 1; }
done

results="$arm/work/results"
rm -rf "$results"
mkdir -p "$results"
# Exceptions that Wine's window manager swallows show as err:seh lines.
export WINEDEBUG=-all,err+seh

# The screens the scenario runs on, one run of the host each, in one Wine session: the
# first also turns the screen (to 320x240) and runs the setup DLL.
screens=(240x320 480x640)

# Takes the pictures the scenario host asks for in the screens' folders under FOLDER
# (NN-name.want, holding the screen's size, see scenario.cpp) from the display: the device
# screen, Wine's desktop window at the display's corner.
take_pictures() {
  local want size
  while :; do
    for want in "$1"/*/*.want; do
      [ -e "$want" ] || continue
      size=$(cat "$want" 2>/dev/null)
      import -display "$DISPLAY" -window root -crop "${size:-240x320}+0+0" +repage -depth 8 "ppm:${want%.want}.tmp" \
        && mv "${want%.want}.tmp" "${want%.want}.ppm"
      rm -f "$want"
    done
    sleep 0.1
  done
}
# Runs a command with the picture taker watching FOLDER.
with_pictures() {
  local folder=$1 taker status
  shift
  mkdir -p "$folder"
  take_pictures "$folder" &
  taker=$!
  "$@"
  status=$?
  kill $taker 2>/dev/null
  wait $taker 2>/dev/null
  return $status
}

# ---- The reference: the x86_64 build on the desktop Wine
# The scenario on each screen, the display and the prefix set up.
x86_64_screens() {
  local screen extra
  for screen in "${screens[@]}"; do
    wine_env_device_screen "$screen"
    extra=()
    [ "$screen" = "${screens[0]}" ] && extra=(--turn "Z:${build//\//\\}\\bin\\tapshelf_setup.dll")
    timeout 120 wine "$build/tests/device_scenario.exe" "Z:${build//\//\\}\\bin\\tapshelf.dll" \
      "Z:${results//\//\\}\\x86_64\\$screen" "${extra[@]}" </dev/null >>"$results/x86_64.log" 2>&1 || return $?
  done
}
(
  . "$here/wine-env.sh"
  trap wine_env_teardown EXIT
  wine_env_setup "$build" wine-devicerun 240x320 x86_64 >/dev/null || exit 1
  cd "$TAPSHELF_DEVICE"
  with_pictures "$results/x86_64" x86_64_screens
) || { echo "device-run: the x86_64 reference run failed (status $?, $results/x86_64.log)"; exit 1; }

# ---- The ARM run, inside the root, on this machine's display
. "$here/wine-env.sh"
trap wine_env_teardown EXIT
_wine_env_display || exit 1
arm_run() {
  TAPSHELF_USE_DISPLAY=1 "$here/arm-chroot.sh" "$arm" /bin/bash -c '
    . /src/scripts/wine-env.sh
    trap wine_env_teardown EXIT
    wine_env_setup /work wine-arm 240x320 arm >/dev/null || exit 1
    cd "$TAPSHELF_DEVICE"
    first=1
    for screen in '"${screens[*]}"'; do
      wine_env_device_screen $screen
      extra=""
      [ $first = 1 ] && extra="--turn Z:\\work\\bin\\tapshelf_setup.dll"
      first=0
      timeout 300 wine /work/bin/device_scenario.exe "Z:\\work\\bin\\tapshelf.dll" "Z:\\work\\results\\arm\\$screen" \
        $extra || exit $?
    done' \
    </dev/null >"$results/arm.log" 2>&1
}

# What went wrong in a run that did not end well. qemu's abort (a Thumb translation
# assertion) kills the process it emulates. In one of Wine's own service processes
# (rpcss.exe, mostly) it is a failure of the emulation, which the scenario may or may not
# have felt: such a run is tried once more. In the scenario host it is also how a fault in
# the DLL ends: the device's code carries no unwind data for Wine, and Wine's dispatch of
# the exception trips the assertion. So a host that dies is run once more too: dying again
# after the same answer is the DLL's fault; passing, or dying elsewhere, the emulation's.
emulation_failed() { grep -qE 'qemu: uncaught target signal|qemu-arm: .*Assertion|thumb_tr_translate_insn' "$results/arm.log"; }
program_faulted() { grep -qE 'Unhandled (exception|page fault|illegal)|ignoring exception|^FAULT' "$results/arm.log" "$results"/arm/*/answers.txt 2>/dev/null; }
host_died() { [ $status -ge 128 ] && [ $status -ne 124 ]; }
last_answer() { cat "$results"/arm/*/answers.txt 2>/dev/null | tail -1; }
verdict="" retried="" died_after=""
for attempt in 1 2; do
  rm -rf "$results/arm" "$results/pictures"
  with_pictures "$results/arm" arm_run
  status=$?
  compared=0
  for screen in "${screens[@]}"; do
    python3 "$top/tests/device_run/device_run.py" compare "$results/x86_64/$screen" "$results/arm/$screen" \
      "$results/pictures/$screen" | sed "s/^device-run: /device-run: $screen: /"
    [ ${PIPESTATUS[0]} -eq 0 ] || compared=1
  done > "$results/compare.txt"
  if [ $status -eq 0 ] && [ $compared -eq 0 ] && ! program_faulted; then
    verdict=passed
    break
  fi
  if program_faulted; then
    verdict="the device DLL faulted"
    break
  fi
  if host_died; then
    if [ $attempt = 2 ] && [ "$(last_answer)" = "$died_after" ]; then
      verdict="the device DLL faulted: the ARM host died twice after the answer \"$died_after\" (status $status; qemu aborted in Wine's dispatch of the exception)"
      break
    fi
    died_after=$(last_answer)
    verdict="the ARM host died after the answer \"$died_after\" (status $status)"
    retried="the ARM host died after the answer \"$died_after\" (status $status): a fault of the DLL, or of the emulation"
  elif [ $status -eq 124 ]; then
    verdict="the ARM run hung (no end in 300 s)"
  elif [ $status -ne 0 ]; then
    verdict="the ARM run ended with status $status"
  else
    verdict="the ARM run differs from the x86_64 run"
  fi
  if [ $attempt = 1 ] && ! host_died && emulation_failed; then
    retried="qemu aborted in one of Wine's own processes ($verdict): a failure of the emulation, not of the DLL"
  fi
  [ $attempt = 1 ] && [ -n "$retried" ] || break
  echo "device-run: $retried; trying once more"
done
grep -v ': the same$' "$results/compare.txt" | grep -v '^device-run: [0-9x]*: [0-9]* answers' || true
grep -E '^device-run: [0-9x]*: [0-9]* answers' "$results/compare.txt"
if [ "$verdict" = passed ] && [ -n "$retried" ]; then
  echo "device-run: the second try passed: the first failed through the emulation"
elif [ "$verdict" = passed ] && emulation_failed; then
  echo "device-run: qemu aborted in one of Wine's own processes during the run; the scenario was not affected"
fi
echo "device-run: pictures in ${results#$top/}/pictures, logs in ${results#$top/} ($(( $(date +%s) - started )) s)"
if [ "$verdict" != passed ]; then
  program_faulted && grep -hE 'Unhandled|ignoring exception|^FAULT' "$results/arm.log" "$results"/arm/*/answers.txt | head -5
  echo "device-run: FAILED: $verdict"
  exit 1
fi
echo "device-run: passed: the device DLL's scenario on ARM equals the x86_64 run"
