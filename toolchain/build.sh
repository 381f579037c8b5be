#!/usr/bin/env bash
# Builds the device's cross tool chain, arm-mingw32ce (binutils, GCC 4.4.0 for C and C++,
# the CE C runtime and w32api), from the CeGCC sources into OUT/arm-mingw32ce, where
# scripts/ce-toolchain.sh finds it. About 20 minutes on two cores.
#   toolchain/build.sh [OUT]            (default build-toolchain)
# CEGCC_SRC is where the sources come from:
#   - a git clone of CeGCC's history (its work tree or its git folder, bare or not): the
#     commit CEGCC_REV (default HEAD) is exported;
#   - a folder of CeGCC's sources: the one holding binutils/, gcc-4.4.0/, mingw/ and w32api/
#     (its cegcc/src/ or src/ is found too);
#   - unset: the public git mirror is cloned once into OUT/cegcc.git (CEGCC_URL).
# Each stage logs to OUT/logs/STAGE.log; a stage that fails names its log and the build stops
# (its sources and build folders stay for a look); a build that succeeds keeps the tool chain
# and the logs alone.
# Stages done before are done again: the tool chain is built whole or not at all.
# Needs build-essential libgmp-dev libmpfr-dev libmpc-dev flex bison (make toolchain
# installs them through scripts/bootstrap.sh toolchain).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
out=${1:-build-toolchain}
case "$out" in /*) ;; *) out="$top/$out" ;; esac
url=${CEGCC_URL:-https://github.com/svn2github/cegcc.git}
rev=${CEGCC_REV:-HEAD}
jobs=${JOBS:-2}
target=arm-mingw32ce
gcc_dir=gcc-4.4.0
parts=(binutils "$gcc_dir" mingw w32api)

src=$out/src            # the sources, patched
work=$out/work          # the build folders
logs=$out/logs
staging=$out/staging    # installed into here, moved to OUT/arm-mingw32ce when all is done
prefix=$out/$target

# 2009 sources on a current host compiler: the old C dialect, common symbols and GNU inline
# semantics, and no warning stopping the build.
host_cflags="-O2 -g0 -std=gnu89 -fcommon -fgnu89-inline -w"
host_cxxflags="-O2 -g0 -std=gnu++98 -fpermissive -w"
# Manuals are not built (given on make's command line, it overrides every Makefile's own):
# the host's texinfo is far newer than the 2009 manuals.
mk() { make MAKEINFO=true "$@"; }
export PATH="$staging/bin:$PATH"

say() { echo "toolchain: $*"; }
fail() { echo "toolchain: $*" >&2; exit 1; }

# ---- where the sources come from
git_source() {   # prints the git folder of CEGCC_SRC, or nothing
  local dir=$1
  if git --git-dir="$dir" rev-parse --verify -q "$rev^{commit}" >/dev/null 2>&1; then
    (cd "$dir" && pwd)
  elif [ -d "$dir/.git" ] && git -C "$dir" rev-parse --verify -q "$rev^{commit}" >/dev/null 2>&1; then
    git -C "$dir" rev-parse --absolute-git-dir
  fi
}

tree_root() {   # prints the folder of CEGCC_SRC holding the four parts, or nothing
  local dir
  for dir in "$1" "$1/cegcc/src" "$1/src"; do
    if [ -f "$dir/binutils/configure" ] && [ -f "$dir/$gcc_dir/configure" ] \
       && [ -f "$dir/mingw/configure" ] && [ -f "$dir/w32api/configure" ]; then
      (cd "$dir" && pwd); return
    fi
  done
}

locate_sources() {   # sets git_dir or tree
  git_dir=""; tree=""
  if [ -z "${CEGCC_SRC:-}" ]; then
    git_dir=$out/cegcc.git
    if [ ! -f "$git_dir/HEAD" ]; then
      say "cloning $url into $git_dir (set CEGCC_SRC to use sources on this machine)"
      mkdir -p "$out"
      rm -rf "$git_dir.part"
      git clone -q --bare "$url" "$git_dir.part" >"$out/clone.log" 2>&1 \
        || fail "cannot clone $url (is this machine online? see $out/clone.log); set CEGCC_SRC to a CeGCC source folder or git clone"
      mv "$git_dir.part" "$git_dir"
    fi
    return
  fi
  [ -e "$CEGCC_SRC" ] || fail "CEGCC_SRC=$CEGCC_SRC does not exist"
  git_dir=$(git_source "$CEGCC_SRC")
  [ -n "$git_dir" ] && return
  tree=$(tree_root "$CEGCC_SRC")
  [ -n "$tree" ] || fail "CEGCC_SRC=$CEGCC_SRC is neither a git clone of CeGCC (with $rev) nor a folder holding binutils, $gcc_dir, mingw and w32api"
}

# ---- the stages
stage_sources() {
  rm -rf "$src"; mkdir -p "$src"
  if [ -n "$git_dir" ]; then
    local base paths=() listed missing got
    # The history is laid out as cegcc/src/<part> (older commits: src/<part>).
    for base in cegcc/src src; do
      git --git-dir="$git_dir" cat-file -e "$rev:$base/$gcc_dir/configure" 2>/dev/null && break
      base=""
    done
    [ -n "$base" ] || { echo "$rev has no cegcc/src/$gcc_dir"; return 1; }
    for p in "${parts[@]}"; do paths+=("$base/$p"); done
    echo "exporting $(git --git-dir="$git_dir" log -1 --format='%H (%ad)' "$rev") from $git_dir"
    # A clone can lack a few file contents (the public mirror lacks three: an m32c opcode
    # table, GCC's MD5SUMS and the decimal floating point library's conversion table). None
    # is built for this target. They are left out (git archive still complains about the
    # first, and writes all the others); what it wrote is counted, and the build shows
    # whether anything needed the rest.
    listed=$(git --git-dir="$git_dir" ls-tree -r "$rev" -- "${paths[@]}")
    missing=$(awk '{print $3}' <<<"$listed" | git --git-dir="$git_dir" cat-file --batch-check \
      | awk 'NR == FNR {name[$3] = $4; next} $2 == "missing" {print name[$1]}' \
          <(cat <<<"$listed") -)
    if [ -n "$missing" ]; then echo "not in this clone:"; sed 's/^/  /' <<<"$missing"; fi
    local exclude=()
    while read -r name; do [ -z "$name" ] || exclude+=(":(exclude)$name"); done <<<"$missing"
    { git --git-dir="$git_dir" archive --format=tar "$rev" -- "${paths[@]}" "${exclude[@]}" || true; } \
      | tar -x -C "$src" --strip-components=$(($(tr -cd / <<<"$base" | wc -c) + 1))
    got=$(find "$src" -type f | wc -l)
    echo "$got files of $(wc -l <<<"$listed")"
    [ "$got" -eq $(($(wc -l <<<"$listed") - $(grep -c . <<<"$missing" || true))) ]
  else
    echo "copying from $tree"
    for p in "${parts[@]}"; do cp -a "$tree/$p" "$src/"; done
  fi
  for p in "${parts[@]}"; do test -f "$src/$p/configure"; done
  for patch in "$here"/patches/*.patch; do
    echo "applying $(basename "$patch")"
    patch -p1 -d "$src" --no-backup-if-mismatch <"$patch"
  done
}

gcc_configure() {   # gcc_configure ARGS...: GCC configured for the target, into staging
  CC=gcc CXX=g++ CFLAGS="$host_cflags" CXXFLAGS="$host_cxxflags" \
  CFLAGS_FOR_TARGET="-O2 -g" CXXFLAGS_FOR_TARGET="-O2 -g" \
    "$src/$gcc_dir/configure" --target=$target --prefix="$staging" \
      --build="$(sh "$src/$gcc_dir/config.guess")" \
      --with-gcc --with-gnu-ld --with-gnu-as --disable-nls --disable-win32-registry \
      --disable-multilib --disable-interwork --without-newlib --enable-checking "$@"
}

fresh() { rm -rf "$work/$1"; mkdir -p "$work/$1"; cd "$work/$1"; }

stage_binutils() {
  fresh binutils
  CC=gcc CXX=g++ CFLAGS="$host_cflags" CXXFLAGS="$host_cxxflags" \
    "$src/binutils/configure" --target=$target --prefix="$staging" --disable-nls --disable-werror
  mk -j"$jobs"
  mk install
}

# A C compiler and libgcc, enough to build the runtime that the full compiler needs.
stage_gcc_c() {
  fresh gcc-c
  gcc_configure --enable-languages=c --disable-threads --disable-shared
  mk -j"$jobs" all-gcc
  mk install-gcc
  mk configure-target-libgcc
  mk -C $target/libgcc -j"$jobs" libgcc.a
  install -m 644 $target/libgcc/libgcc.a "$staging/lib/gcc/$target/4.4.0/"
}

stage_runtime() {
  fresh mingw
  "$src/mingw/configure" --build="$(sh "$src/$gcc_dir/config.guess")" \
    --host=$target --target=$target --prefix="$staging"
  mk -j"$jobs"
  mk install
}

stage_w32api() {
  fresh w32api
  "$src/w32api/configure" --host=$target --prefix="$staging"
  mk -j"$jobs"
  mk install
  # cegcc.h carries the CeGCC version between two marker lines; this is CeGCC 0.59.
  local in=$src/w32api/include/cegcc.h.in
  sed '/Automatic changes below/,/Automatic changes above/{
         /Automatic changes/!d
         /Automatic changes below/a\
#define __CEGCC_VERSION_MAJOR__ 0\
#define __CEGCC_VERSION_MINOR__ 59\
#define __CEGCC_VERSION_PATCHLEVEL__ 0\
#define __CEGCC_BUILD_DATE__ 20090101
       }' "$in" >"$staging/$target/include/cegcc.h"
  grep -q __CEGCC_VERSION_MINOR__ "$staging/$target/include/cegcc.h"
}

stage_gcc() {
  fresh gcc
  gcc_configure --enable-languages=c,c++ --enable-threads=win32 --with-headers \
    --disable-__cxa_atexit
  mk -j"$jobs"
  mk install
}

# Host programs stripped, manuals dropped, then moved where the device build looks.
stage_finish() {
  rm -rf "$staging/share/man" "$staging/share/info" "$staging/share/doc" \
         "$staging/man" "$staging/info"
  rmdir "$staging/share" 2>/dev/null || true
  find "$staging" -type f -perm -u+x -exec sh -c \
    'for f; do case $(head -c4 "$f" | od -An -tx1 | tr -d " ") in 7f454c46) strip --strip-unneeded "$f";; esac; done' sh {} +
  "$staging/bin/$target-g++" --version | head -1
  rm -rf "$prefix"
  mv "$staging" "$prefix"
  # The compiler finds its parts relative to itself, so the moved folder works as it is.
  "$prefix/bin/$target-g++" -print-prog-name=cc1plus
  echo "$(du -sh "$prefix" | cut -f1) in $(find "$prefix" -type f | wc -l) files"
}

stages=(sources binutils gcc_c runtime w32api gcc finish)
titles=("sources" "binutils" "GCC for C (bootstrap)" "C runtime" "w32api" "GCC for C and C++" "install")

command -v bison >/dev/null && command -v flex >/dev/null && command -v g++ >/dev/null \
  && printf '#include <gmp.h>\n#include <mpfr.h>\n#include <mpc.h>\n' | gcc -E -x c - >/dev/null 2>&1 \
  || fail "needs build-essential libgmp-dev libmpfr-dev libmpc-dev flex bison (scripts/bootstrap.sh toolchain installs them)"
locate_sources
rm -rf "$work" "$logs" "$staging"
mkdir -p "$work" "$logs"
start=$(date +%s)
for i in "${!stages[@]}"; do
  name=${stages[$i]}
  log=$logs/$i-${name//_/-}.log
  printf 'toolchain: [%d/%d] %-22s' $((i + 1)) ${#stages[@]} "${titles[$i]}"
  t0=$(date +%s)
  set +e
  ( set -euo pipefail; "stage_$name" ) >"$log" 2>&1
  rc=$?
  set -e
  if [ $rc -ne 0 ]; then
    echo " failed after $(($(date +%s) - t0)) s"
    tail -n 15 "$log" | sed 's/^/  | /' >&2
    fail "stage '${titles[$i]}' failed: its log is $log"
  fi
  echo " $(($(date +%s) - t0)) s"
done
rm -rf "$work" "$src"
say "arm-mingw32ce built in $((($(date +%s) - start) / 60)) min into $prefix ($(du -sh "$prefix" | cut -f1)); make device uses it"
