#!/usr/bin/env bash
# Makes what running the device DLL on this x86-64 machine needs, once, in DIR:
#   DIR/qemu-arm   qemu-user's static ARM emulator, from the backports of the machine's
#                  Debian release (the release's own qemu is too old for Wine: a Thumb
#                  translation assertion kills its processes);
#   DIR/root       an armhf Debian root (debootstrap, minbase) with Wine for 32-bit ARM and
#                  the fonts of the project's Wine prefixes;
# and registers the emulator with binfmt_misc (flags PF: the interpreter is opened at
# registration, so it also runs inside the root). The archive and its backports are taken
# from this machine's own apt configuration. Later calls find everything there and return
# at once.
#   arm-root.sh DIR
# Exit 77 with one line saying why, where it cannot be done here (not root, no binfmt_misc,
# not a Debian x86-64 machine); 1 on a failure while making it.
set -uo pipefail
dir=${1:?usage: arm-root.sh DIR}
mkdir -p "$dir" && dir=$(cd "$dir" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root="$dir/root"
root_mark="$root/.tapshelf-root-1"
binfmt=/proc/sys/fs/binfmt_misc

skip() { echo "device-run: skipped: $*"; exit 77; }
fail() { echo "device-run: set-up failed: $*" >&2; exit 1; }

[ "$(uname -m)" = x86_64 ] || skip "this is no x86-64 machine"
[ -r /etc/debian_version ] && command -v apt-get >/dev/null || skip "this is no Debian machine"
[ "$(id -u)" -eq 0 ] || skip "needs root (binfmt_misc, debootstrap and chroot)"
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || skip "binfmt_misc cannot be mounted here"
fi
[ -w "$binfmt/register" ] || skip "binfmt_misc cannot be written here"

. /etc/os-release
release=${VERSION_CODENAME:?}

# The machine's archive for its release, and its backports: where its apt configuration
# names them (a backports line of its own, or else the release's archive).
apt_source() {
  python3 - "$release" <<'PY'
import glob, re, sys
release = sys.argv[1]
stanzas = []
def add(uris, suites, comps, key):
    for u in uris:
        stanzas.append((u.rstrip('/'), suites, comps, key))
for path in glob.glob('/etc/apt/sources.list') + sorted(glob.glob('/etc/apt/sources.list.d/*.list')):
    try:
        lines = open(path).read().splitlines()
    except OSError:
        continue
    for line in lines:
        line = line.split('#', 1)[0].strip()
        m = re.match(r'deb\s+(?:\[([^\]]*)\]\s+)?(\S+)\s+(\S+)\s*(.*)', line)
        if m:
            key = re.search(r'signed-by=(\S+)', m.group(1) or '')
            add([m.group(2)], [m.group(3)], m.group(4).split(), key.group(1) if key else '')
for path in sorted(glob.glob('/etc/apt/sources.list.d/*.sources')):
    try:
        text = open(path).read()
    except OSError:
        continue
    for block in re.split(r'\n\s*\n', text):
        fields = {}
        for line in block.splitlines():
            if line.startswith('#') or ':' not in line or line[0].isspace():
                continue
            name, value = line.split(':', 1)
            fields[name.strip().lower()] = value.strip()
        if 'deb' not in fields.get('types', '').split() or fields.get('enabled', 'yes') == 'no':
            continue
        add(fields.get('uris', '').split(), fields.get('suites', '').split(),
            fields.get('components', '').split(), fields.get('signed-by', ''))
main = [s for s in stanzas if release in s[1] and 'main' in s[2]]
if not main:
    sys.exit('no apt source for %s main' % release)
backports = [s for s in stanzas if release + '-backports' in s[1]] or main
print(main[0][0], backports[0][0], backports[0][3] or '-')
PY
}

# A program with no interpreter (PT_INTERP): it runs inside the root as well.
static_program() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read(65536)
if data[:4] != b'\x7fELF' or data[4] != 2:
    sys.exit(1)
phoff, = struct.unpack_from('<Q', data, 32)
size, count = struct.unpack_from('<HH', data, 54)
types = [struct.unpack_from('<I', data, phoff + i * size)[0] for i in range(count)]
sys.exit(1 if 3 in types else 0)
PY
}

# ---- qemu-arm, from the backports
qemu="$dir/qemu-arm"
if [ ! -x "$qemu" ]; then
  read -r mirror backports key < <(apt_source) || fail "no Debian archive for $release in this machine's apt configuration"
  echo "device-run: fetching qemu-user from $release-backports (once)"
  apt_dir="$dir/apt"
  rm -rf "$apt_dir" && mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/debs"
  option=""; [ "$key" = - ] || option="[signed-by=$key] "
  echo "deb ${option}$backports $release-backports main" > "$apt_dir/sources.list"
  apt_private=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
               -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o APT::Get::List-Cleanup=0 -o APT::Sandbox::User=root)
  apt-get "${apt_private[@]}" update -qq >/dev/null || fail "apt-get update of $release-backports failed"
  # qemu-user carries static emulators from version 9 on; qemu-user-static did before.
  for package in qemu-user qemu-user-static; do
    (cd "$apt_dir/debs" && apt-get "${apt_private[@]}" download -qq "$package/$release-backports" 2>/dev/null) || continue
    mkdir -p "$apt_dir/unpacked"
    dpkg-deb --fsys-tarfile "$apt_dir/debs/${package}_"*.deb \
      | tar -x -C "$apt_dir/unpacked" ./usr/bin/qemu-arm ./usr/bin/qemu-arm-static 2>/dev/null
    for candidate in "$apt_dir/unpacked/usr/bin/qemu-arm-static" "$apt_dir/unpacked/usr/bin/qemu-arm"; do
      if [ -x "$candidate" ] && static_program "$candidate"; then
        cp "$candidate" "$qemu.new" && mv "$qemu.new" "$qemu"
        break 2
      fi
    done
  done
  rm -rf "$apt_dir"
  [ -x "$qemu" ] || fail "no static qemu-arm in $release-backports"
fi

# ---- binfmt_misc: ARM ELF programs run through qemu-arm. The kernel asks the entries
# from the newest registered on: when another one takes ARM programs too (an older qemu
# of the machine's own), ours is registered again, after it.
entry="$binfmt/tapshelf-arm"
others=$(grep -l '^magic 7f454c4601010100000000000000000002002800' "$binfmt"/* 2>/dev/null | grep -v "^$entry\$" || true)
if [ -e "$entry" ] && [ -n "$others" ]; then
  echo -1 > "$entry"
fi
if [ ! -e "$entry" ]; then
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x28\x00'
  mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':tapshelf-arm:M::%s:%s:%s:PF' "$magic" "$mask" "$qemu" > "$binfmt/register" \
    || skip "qemu-arm cannot be registered with binfmt_misc here"
fi

# ---- The armhf root with Wine
if [ ! -f "$root_mark" ]; then
  read -r mirror backports key < <(apt_source) || fail "no Debian archive for $release in this machine's apt configuration"
  command -v debootstrap >/dev/null || {
    echo "device-run: installing debootstrap"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  } || fail "debootstrap cannot be installed"
  command -v debootstrap >/dev/null || fail "debootstrap cannot be installed"
  echo "device-run: making the armhf root $root (once, a few minutes)"
  # What an interrupted debootstrap left mounted stays; nothing is removed across it.
  umount "$root/proc" "$root/sys" 2>/dev/null
  rm -rf --one-file-system "$root"
  debootstrap --arch=armhf --variant=minbase "$release" "$root" "$mirror" > "$dir/debootstrap.log" 2>&1 \
    || fail "debootstrap failed (see $dir/debootstrap.log)"
  "$here/arm-chroot.sh" "$dir" sh -c 'export DEBIAN_FRONTEND=noninteractive;
      apt-get update -qq && apt-get install -y -qq --no-install-recommends wine wine32 libwine fonts-wine fonts-ipafont-gothic >/dev/null
      status=$?; apt-get clean; rm -rf /var/lib/apt/lists/*; exit $status' \
    > "$dir/wine-install.log" 2>&1 || fail "installing Wine in the root failed (see $dir/wine-install.log)"
  [ -x "$root/usr/lib/wine/wine" ] || fail "the root has no Wine loader"
  touch "$root_mark"
fi
exit 0
