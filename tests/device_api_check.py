#!/usr/bin/env python3
"""Checks that the product calls only functions the device exports.

Lists every platform and C-runtime function that the product's object files refer to
and fails, naming them, on any that the device's libraries (coredll, aygshell, commctrl;
one name a line in the --lists folder) do not export.

- Symbols defined by the product itself are its own business and are passed over.
- The stand-ins (libwince.a) stand for device functions that desktop Win32 lacks or where
  its behaviour differs: a call of one counts as a platform call and is checked like any
  other, and every function the stand-ins define must itself be a device export. A stand-in
  named DeviceCall_Name (wince/device_calls.h sends the product's calls of Name there)
  stands for Name. Their test knobs (named Wince...) are not device functions: a product
  call of one fails.
- A desktop name ending in W may match the device name without it
  (SHGetFileInfoW <-> SHGetFileInfo, ShellExecuteExW <-> ShellExecuteEx).
- Compiler and runtime helpers (___chkstk_ms, __alloca, libgcc arithmetic, the C++ runtime,
  mingw's own functions) are reported on their own and fail too: they come from this
  desktop tool chain, not from the device, and the product must not need them.

Symbols are read as the --arch build writes them: i686 decorates C names (_Name, stdcall
Name@N), x86_64 does not.

With --dll, checks linked device DLLs instead (the option once per DLL): its import table must name only the
device's libraries (COREDLL.dll, AYGSHELL.dll, COMMCTRL.dll: the lists, any case), and
every function must be imported by a name that the library it comes from exports. The
device's import libraries import by name; an import by ordinal alone cannot be checked
and fails.

Usage: device_api_check.py --nm NM [--arch i686|x86_64] --lists DIR [--stand-ins libwince.a]
INPUT...
       device_api_check.py --lists DIR --dll DLL [--dll DLL...]
INPUT is a static library or an object file. Exit 0 on PASS, 1 on FAIL, 2 when the
check cannot be made (nm failing, no device lists, an unreadable DLL, nothing to check),
77 (skipped) when the --dll file does not exist: no device build was made.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

import pe_image

# nm's letters for symbols a file refers to but does not define.
UNDEFINED_TYPES = {"U", "w", "v"}

# Libraries in the order a function is attributed to them when several export it.
LIBRARY_ORDER = ("coredll", "aygshell", "commctrl")

# Helpers that de-decorate to a name with a single leading underscore.
HELPER_NAMES = {"_alloca", "alloca", "_chkstk", "_chkstk_ms", "_fltused", "_assert",
                "_pei386_runtime_relocator", "_setjmp", "_setjmp3", "_longjmp"}

_STDCALL_SUFFIX = re.compile(r"@\d+$")

# The stand-ins that wince/device_calls.h puts in the place of a platform function.
DEVICE_CALL_PREFIX = "DeviceCall_"
# The stand-ins' own switches for tests and the emulator.
TEST_KNOB_PREFIX = "Wince"


class CheckError(Exception):
    """The check could not be made (as opposed to finding faults)."""


class Symbol:
    """One external symbol of one object: raw name, nm type letter and where it lives."""

    def __init__(self, name, kind, member):
        self.name = name
        self.kind = kind
        self.member = member

    @property
    def undefined(self):
        return self.kind in UNDEFINED_TYPES


def parse_nm_posix(text, default_member="?"):
    """Symbols of `nm --format=posix -A` output.

    Lines look like "lib.a[store.cpp.obj]: _qsort U" or "file.obj: _Foo@4 T 20 0";
    section symbols (".text", ".rdata$zzz") and blank lines are skipped."""
    symbols = []
    for line in text.splitlines():
        line = line.strip()
        if not line:
            continue
        head, sep, rest = line.rpartition(": ")
        if not sep:
            continue
        fields = rest.split()
        if len(fields) < 2:
            continue
        name, kind = fields[0], fields[1]
        if name.startswith("."):
            continue
        member = default_member
        match = re.search(r"\[([^\]]+)\]$", head)
        member = match.group(1) if match else os.path.basename(head) or default_member
        symbols.append(Symbol(name, kind, member))
    return symbols


def run_nm(nm, path):
    if not os.path.exists(path):
        raise CheckError("no such input: %s" % path)
    try:
        result = subprocess.run([nm, "--format=posix", "-A", path], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, universal_newlines=True)
    except OSError as error:
        raise CheckError("cannot run %s: %s" % (nm, error))
    if result.returncode != 0:
        raise CheckError("%s failed on %s: %s" % (nm, path, result.stderr.strip()))
    return parse_nm_posix(result.stdout, os.path.basename(path))


def function_name(raw, arch="i686"):
    """The C name behind a symbol. i686: __imp__Name@N, _Name@N, _Name, @Name@N;
    x86_64: __imp_Name, Name.

    C++ mangled names come back as they are ("_Z..." after the cdecl underscore)."""
    name = raw
    if name.startswith("__imp_"):
        name = name[len("__imp_"):]
    if arch == "x86_64":
        return name
    if name.startswith("_") or name.startswith("@"):
        name = name[1:]
    if not name.startswith("_Z"):
        name = _STDCALL_SUFFIX.sub("", name)
    return name


def platform_name(name):
    """The platform function a call stands for: DeviceCall_Name stands for Name."""
    if name.startswith(DEVICE_CALL_PREFIX):
        return name[len(DEVICE_CALL_PREFIX):]
    return name


def is_mangled(name):
    return name.startswith("_Z")


def is_helper(name):
    """Compiler, C++ runtime and mingw runtime symbols: not functions of the platform."""
    return is_mangled(name) or name.startswith("__") or name in HELPER_NAMES


def load_lists(folder):
    """{library: set of exported names} from the *.txt files of folder."""
    if not os.path.isdir(folder):
        raise CheckError("no device lists folder: %s" % folder)
    lists = {}
    for entry in sorted(os.listdir(folder)):
        if not entry.endswith(".txt"):
            continue
        names = set()
        with open(os.path.join(folder, entry), encoding="ascii", errors="replace") as handle:
            for line in handle:
                line = line.strip()
                if line and not line.startswith((";", "#")):
                    names.add(line)
        if names:
            lists[entry[:-len(".txt")]] = names
    if not lists:
        raise CheckError("no device export lists in %s" % folder)
    return lists


def ordered_libraries(lists):
    known = [name for name in LIBRARY_ORDER if name in lists]
    return known + sorted(name for name in lists if name not in LIBRARY_ORDER)


def device_library(name, lists):
    """(library, device name) that exports name, or None. A name ending in W may match
    the device name without it; the other way round is not allowed."""
    candidates = [name]
    if len(name) > 1 and name.endswith("W"):
        candidates.append(name[:-1])
    for candidate in candidates:
        for library in ordered_libraries(lists):
            if candidate in lists[library]:
                return library, candidate
    return None


class Report:
    def __init__(self):
        self.found = {}          # function name -> (library, device name)
        self.missing = {}        # function name -> set of objects calling it
        self.helpers = {}        # raw symbol -> set of objects referring to it
        self.stand_ins = {}      # stand-in name -> library or None
        self.objects = set()

    @property
    def failed(self):
        return bool(self.missing or self.helpers
                    or any(lib is None for lib in self.stand_ins.values()))


def check(product_symbols, stand_in_symbols, lists, arch="i686"):
    report = Report()
    defined = {s.name for s in product_symbols if not s.undefined}
    report.objects = {s.member for s in product_symbols}

    # Every plain function the stand-ins define, but their test knobs, stands for a
    # device function.
    for s in stand_in_symbols:
        if s.undefined or s.kind not in ("T", "W"):
            continue
        name = function_name(s.name, arch)
        if is_helper(name) or name.startswith(TEST_KNOB_PREFIX):
            continue
        name = platform_name(name)
        hit = device_library(name, lists)
        report.stand_ins[name] = hit[0] if hit else None

    for s in product_symbols:
        if not s.undefined or s.name in defined:
            continue
        name = platform_name(function_name(s.name, arch))
        hit = device_library(name, lists)
        if hit:
            report.found[name] = hit
        elif is_helper(name):
            report.helpers.setdefault(s.name, set()).add(s.member)
        else:
            report.missing.setdefault(name, set()).add(s.member)
    return report


def demangler(nm, arch="i686"):
    """A function that makes C++ names readable, with the tool chain's c++filt if any."""
    tool = None
    if nm.endswith("nm"):
        tool = shutil.which(nm[:-2] + "c++filt")
    tool = tool or shutil.which("c++filt")

    def demangle(raw):
        if not tool or not is_mangled(function_name(raw, arch)):
            return raw
        try:
            strip = ["--strip-underscore"] if arch == "i686" else []
            out = subprocess.run([tool] + strip + [raw], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, universal_newlines=True).stdout.strip()
        except OSError:
            return raw
        return "%s (%s)" % (raw, out) if out and out != raw else raw
    return demangle


def print_report(report, lists, demangle, verbose, out=sys.stdout):
    per_library = {library: 0 for library in ordered_libraries(lists)}
    for library, _ in report.found.values():
        per_library[library] += 1
    counts = ", ".join("%s %d" % (lib, n) for lib, n in per_library.items())
    checked = len(report.found) + len(report.missing)
    print("device-api: %d objects; %d platform and C-runtime functions called (%s); "
          "%d not exported by the device" % (len(report.objects), checked, counts,
                                             len(report.missing)), file=out)
    if verbose:
        for name in sorted(report.found, key=str.lower):
            library, device_name = report.found[name]
            alias = "" if device_name == name else " as " + device_name
            print("  %-32s %s%s" % (name, library, alias), file=out)
    stand_ins = ", ".join("%s (%s)" % (name, lib or "NOT on the device")
                          for name, lib in sorted(report.stand_ins.items()))
    print("device-api: stand-ins for device functions: %s" % (stand_ins or "none"), file=out)

    for name in sorted(report.missing, key=str.lower):
        print("FAIL: %s is not exported by %s (called from %s)"
              % (name, "/".join(ordered_libraries(lists)),
                 ", ".join(sorted(report.missing[name]))), file=out)
    for name, library in sorted(report.stand_ins.items()):
        if library is None:
            print("FAIL: the stand-in %s is not a device function" % name, file=out)
    for raw in sorted(report.helpers):
        print("FAIL: compiler or runtime helper %s is needed (by %s); the device build has "
              "no such function" % (demangle(raw), ", ".join(sorted(report.helpers[raw]))),
              file=out)
    if report.failed:
        print("FAIL: the product calls functions the device does not have", file=out)
    else:
        print("PASS: every platform and C-runtime function the product calls is exported by "
              "the device", file=out)


# ctest's SKIP_RETURN_CODE for the checks of a device build that was not made.
SKIPPED = 77


def device_build_missing(path):
    """True, having said so, when the device build's file is not there: without the CE tool
    chain no device build is made."""
    if os.path.exists(path):
        return False
    print("SKIPPED: the device checks are skipped: no device build was made (no CE tool "
          "chain found), %s does not exist" % path)
    return True


class DllReport:
    def __init__(self, path):
        self.path = path
        self.counts = {}         # library -> functions imported from it
        self.foreign = {}        # DLL name -> names and ordinals imported from it
        self.missing = []        # (library, name) not in the library's list
        self.ordinals = []       # (DLL name, ordinal)

    @property
    def failed(self):
        return bool(self.foreign or self.missing or self.ordinals)


def check_dll(imports, lists, path="DLL"):
    """The faults of a DLL's import table, [(DLL name, [names], [ordinals])]."""
    report = DllReport(path)
    for dll, names, ordinals in imports:
        library = dll.lower()[:-len(".dll")] if dll.lower().endswith(".dll") else None
        if library not in lists:
            report.foreign[dll] = names + ["ordinal %d" % n for n in ordinals]
            continue
        report.counts[library] = report.counts.get(library, 0) + len(names) + len(ordinals)
        report.missing.extend((library, name) for name in names if name not in lists[library])
        report.ordinals.extend((dll, ordinal) for ordinal in ordinals)
    return report


def print_dll_report(report, lists, out=sys.stdout):
    counts = ", ".join("%s %d" % (lib, report.counts.get(lib, 0))
                       for lib in ordered_libraries(lists))
    print("device-api: %s imports %d functions from the device's libraries (%s); "
          "%d not exported by the device" % (report.path, sum(report.counts.values()), counts,
                                             len(report.missing)), file=out)
    for dll, names in sorted(report.foreign.items()):
        print("FAIL: imports from %s, which is not a device library: %s"
              % (dll, ", ".join(names) or "nothing"), file=out)
    for library, name in sorted(report.missing):
        print("FAIL: %s is not exported by %s" % (name, library), file=out)
    for dll, ordinal in sorted(report.ordinals):
        print("FAIL: ordinal %d of %s is imported by number alone; its name cannot be checked"
              % (ordinal, dll), file=out)
    if report.failed:
        print("FAIL: the DLL imports functions the device does not have", file=out)
    else:
        print("PASS: every function the DLL imports is exported by the device", file=out)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--nm", default="i686-w64-mingw32-nm")
    parser.add_argument("--arch", choices=("i686", "x86_64"),
                        help="the build's architecture (default: from the name of --nm)")
    parser.add_argument("--lists", required=True, help="folder of <library>.txt export lists")
    parser.add_argument("--stand-ins", help="library of the stand-ins (default: libwince.a "
                                            "beside the first input, if there)")
    parser.add_argument("--verbose", "-v", action="store_true",
                        help="list every function and the library that exports it")
    parser.add_argument("--dll", action="append",
                        help="check the import table of this linked device DLL (repeatable)")
    parser.add_argument("inputs", nargs="*", help="product archives and object files")
    args = parser.parse_args(argv)
    if bool(args.dll) == bool(args.inputs):
        parser.error("give either --dll or the product's archives and objects")
    if args.dll:
        failed = False
        for dll in args.dll:
            if device_build_missing(dll):
                return SKIPPED
            try:
                lists = load_lists(args.lists)
                report = check_dll(pe_image.PEImage.from_file(dll).imports(), lists, dll)
            except (CheckError, pe_image.PEError, OSError) as error:
                print("ERROR: %s" % error, file=sys.stderr)
                return 2
            print_dll_report(report, lists)
            failed = failed or report.failed
        return 1 if failed else 0

    arch = args.arch or ("x86_64" if "x86_64" in os.path.basename(args.nm) else "i686")
    try:
        lists = load_lists(args.lists)
        product = []
        for path in args.inputs:
            product.extend(run_nm(args.nm, path))
        stand_in_path = args.stand_ins
        if stand_in_path is None:
            beside = os.path.join(os.path.dirname(os.path.abspath(args.inputs[0])), "libwince.a")
            stand_in_path = beside if os.path.exists(beside) else None
        stand_ins = run_nm(args.nm, stand_in_path) if stand_in_path else []
        report = check(product, stand_ins, lists, arch)
        if not report.found and not report.missing:
            raise CheckError("the inputs call no platform function: nothing was checked")
    except CheckError as error:
        print("ERROR: %s" % error, file=sys.stderr)
        return 2

    print_report(report, lists, demangler(args.nm, arch), args.verbose)
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
