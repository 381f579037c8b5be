#!/usr/bin/env bash
# Makes a release for Pocket PC owners in DIST (default dist/): Tapshelf-<version>.cab, its
# owners' text Tapshelf-<version>.txt (the README's "On a Pocket PC": install, upgrade,
# languages, settings, removal) and SHA256SUMS of both. The version is VERSION's.
#   release.sh BUILD DEVICE_BUILD [DIST]
# It refuses, in one line and exit 1, when the working tree has uncommitted changes (a
# release is a commit's), when the README does not name VERSION's version, or when the
# device build or any of its checks (the DLLs, the CAB, the version they carry) fails or is
# skipped. What it made is read back: the version of both DLLs in the released CAB.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=${1:?usage: release.sh BUILD DEVICE_BUILD [DIST]}
device=${2:?usage: release.sh BUILD DEVICE_BUILD [DIST]}
dist=${3:-dist}
for folder in build device dist; do
  case "${!folder}" in /*) ;; *) printf -v "$folder" '%s' "$top/${!folder}" ;; esac
done
refuse() { echo "release: refused: $*" >&2; exit 1; }

version=$(tr -d '[:space:]' <"$top/VERSION")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || refuse "VERSION holds '$version', not major.minor.patch"
changes=$(git -C "$top" status --porcelain --untracked-files=normal)
[ -z "$changes" ] \
  || refuse "the working tree has uncommitted changes (git status lists $(wc -l <<<"$changes")): a release is made of a commit"
grep -qF "This is Tapshelf $version." "$top/README.md" \
  || refuse "README.md does not say \"This is Tapshelf $version.\" (in \"On a Pocket PC\")"
stale=$(grep -oE '(Tapshelf[- ]|version )[0-9]+\.[0-9]+\.[0-9]+' "$top/README.md" \
        | grep -vE "[- ]${version//./\\.}\$" | sort -u | paste -sd, -)
[ -z "$stale" ] || refuse "README.md names another version than $version: $stale"
grep -qxF "## $version" "$top/CHANGELOG.md" || refuse "CHANGELOG.md has no section for $version"

log=$build/release-checks.log
echo "release: Tapshelf $version from commit $(git -C "$top" rev-parse --short HEAD)"
"$here/build-device.sh" "$device" --cab >"$log" 2>&1 \
  || refuse "the device build failed (its output: ${log#$top/})"
# The device checks, each of which must pass: none may be skipped.
ctest --test-dir "$build" -R '^(DeviceDll|Cab)\.' --output-on-failure >>"$log" 2>&1
checks=$?
summary=$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)
if [ $checks -ne 0 ] || grep -qE 'Not Run|\*\*\*Skipped' "$log" || [ -z "$summary" ]; then
  refuse "the device checks did not all pass (${summary:-no tests ran}; their output: ${log#$top/})"
fi
echo "release: device build and checks: $summary"

rm -rf "$dist"
mkdir -p "$dist"
cab=Tapshelf-$version.cab
text=Tapshelf-$version.txt
cp "$device/Tapshelf.cab" "$dist/$cab"
# The README's section for owners and the changelog's for this version, their Markdown marks
# taken out; UTF-8 with its mark and CRLF lines, as Windows' editors read it best.
section() {   # section FILE HEADING: the lines under ## HEADING up to the next ##
  awk -v h="## $2" '$0 == h {on = 1; next} on && /^## / {exit} on' "$1" \
    | sed -e 's/\*\*//g' -e 's/`//g' -e 's/\*\([^*]*\)\*/\1/g'
}
{
  printf '\xef\xbb\xbf'
  echo "Tapshelf $version: a launcher for the Today screen of a Pocket PC"
  echo "(Windows Mobile 5 / Windows CE 5.01 and later, ARM)"
  section "$top/README.md" "On a Pocket PC"
  echo "What $version brought"
  echo
  section "$top/CHANGELOG.md" "$version" | sed '/./,$!d'
} | sed 's/$/\r/' >"$dist/$text"
(cd "$dist" && sha256sum "$cab" "$text" >SHA256SUMS)

python3 "$top/tests/version_check.py" --version-file "$top/VERSION" "$dist/$cab" \
  | sed "s|$top/||" || refuse "the released CAB does not carry version $version"
echo "release: ${dist#$top/}/:"
(cd "$dist" && for f in "$cab" "$text" SHA256SUMS; do printf '  %-24s %6d bytes\n' "$f" "$(stat -c %s "$f")"; done)
