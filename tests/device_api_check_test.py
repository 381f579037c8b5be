#!/usr/bin/env python3
"""Tests of the device-API check: that it sees the faults it is there to catch.

Most cases feed it symbol tables; the last group builds small objects and DLLs with the
real tool chain and runs the check as ctest does. Usage: device_api_check_test.py [--nm NM]
[--cxx CXX] [--lists DIR]."""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import device_api_check as dac  # noqa: E402
import pe_image  # noqa: E402

OPTIONS = {"nm": "i686-w64-mingw32-nm", "cxx": "i686-w64-mingw32-g++-posix",
           "lists": os.path.join(HERE, "data", "wince-api")}


def arch():
    return "x86_64" if "x86_64" in os.path.basename(OPTIONS["nm"]) else "i686"

LISTS = {
    "coredll": {"RegCreateKeyExW", "SHGetFileInfo", "ShellExecuteEx", "GetObjectW", "GetObject",
                "qsort", "wcslen", "TransparentImage", "SHLoadDIBitmap", "memcpy"},
    "aygshell": {"SHRecognizeGesture", "SHInitDialog"},
    "commctrl": {"ImageList_Draw"},
}


def undefined(name, member="a.obj"):
    return dac.Symbol(name, "U", member)


def defined(name, member="a.obj"):
    return dac.Symbol(name, "T", member)


class SymbolNames(unittest.TestCase):
    def test_decorations_of_32_bit_calls_come_off(self):
        cases = {
            "__imp__RegCreateKeyExW@36": "RegCreateKeyExW",   # stdcall import
            "__imp__wsprintfW": "wsprintfW",                   # cdecl import
            "_SHLoadDIBitmap@4": "SHLoadDIBitmap",             # stdcall, linked statically
            "_qsort": "qsort",                                 # cdecl C runtime
            "@Fast@8": "Fast",                                 # fastcall
            "___chkstk_ms": "__chkstk_ms",                     # helpers keep their own underscores
            "__alloca": "_alloca",
        }
        for raw, name in cases.items():
            self.assertEqual(name, dac.function_name(raw), raw)

    def test_64_bit_names_carry_no_decoration(self):
        cases = {
            "__imp_RegCreateKeyExW": "RegCreateKeyExW",
            "qsort": "qsort",
            "_wcsicmp": "_wcsicmp",            # the C runtime's own underscore stays
            "___chkstk_ms": "___chkstk_ms",
            "_Z14LoadLaunchListv": "_Z14LoadLaunchListv",
        }
        for raw, name in cases.items():
            self.assertEqual(name, dac.function_name(raw, "x86_64"), raw)

    def test_cxx_names_stay_whole(self):
        # A stdcall C++ function: the "@16" is part of the mangled name, not a decoration.
        self.assertEqual("_Z14ItemWindowProcP6HWND__jjl@16",
                         dac.function_name("__Z14ItemWindowProcP6HWND__jjl@16"))
        self.assertTrue(dac.is_helper(dac.function_name("__Znwj")))

    def test_nm_posix_output_gives_members_and_skips_sections(self):
        text = ("libx.a[store.cpp.obj]: .text t 0 \n"
                "libx.a[store.cpp.obj]: __imp__RegCloseKey@4 U \n"
                "libx.a[store.cpp.obj]: __Z14LoadLaunchListv T 520 \n"
                "\n"
                "dir/dllmain.cpp.obj: _DllMain@12 T 0 \n")
        symbols = dac.parse_nm_posix(text)
        self.assertEqual([("__imp__RegCloseKey@4", "U", "store.cpp.obj"),
                          ("__Z14LoadLaunchListv", "T", "store.cpp.obj"),
                          ("_DllMain@12", "T", "dllmain.cpp.obj")],
                         [(s.name, s.kind, s.member) for s in symbols])


class DeviceLookup(unittest.TestCase):
    def test_w_suffix_may_drop_but_never_be_added(self):
        self.assertEqual(("coredll", "SHGetFileInfo"), dac.device_library("SHGetFileInfoW", LISTS))
        self.assertEqual(("coredll", "ShellExecuteEx"), dac.device_library("ShellExecuteExW", LISTS))
        # The exact name wins over the shortened one.
        self.assertEqual(("coredll", "GetObjectW"), dac.device_library("GetObjectW", LISTS))
        # A device name ending in W does not cover a desktop call without it.
        self.assertIsNone(dac.device_library("RegCreateKeyEx", LISTS))
        self.assertIsNone(dac.device_library("W", {"coredll": {""}}))

    def test_each_library_is_consulted(self):
        self.assertEqual("aygshell", dac.device_library("SHInitDialog", LISTS)[0])
        self.assertEqual("commctrl", dac.device_library("ImageList_Draw", LISTS)[0])

    def test_list_files_skip_comment_and_blank_lines(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        with open(os.path.join(folder, "aygshell.txt"), "w") as handle:
            handle.write(";\n\nSHInitDialog\n# note\n  SHSipPreference  \n")
        self.assertEqual({"aygshell": {"SHInitDialog", "SHSipPreference"}}, dac.load_lists(folder))

    def test_missing_or_empty_lists_cannot_pass(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        with self.assertRaises(dac.CheckError):
            dac.load_lists(folder)
        with self.assertRaises(dac.CheckError):
            dac.load_lists(os.path.join(folder, "absent"))


class Classification(unittest.TestCase):
    def test_desktop_only_function_fails_with_its_callers(self):
        report = dac.check([undefined("__imp__GetWindowsDirectoryW@8", "a.obj"),
                            undefined("__imp__GetWindowsDirectoryW@8", "b.obj"),
                            undefined("__imp__RegCreateKeyExW@36")], [], LISTS)
        self.assertTrue(report.failed)
        self.assertEqual({"GetWindowsDirectoryW": {"a.obj", "b.obj"}}, report.missing)
        self.assertIn("RegCreateKeyExW", report.found)

    def test_product_symbols_are_not_platform_calls(self):
        product = [defined("__Z14LoadLaunchListv", "store.obj"),
                   undefined("__Z14LoadLaunchListv", "entry.obj"),
                   defined("__Z14ItemWindowProcP6HWND__jjl@16", "item.obj"),
                   undefined("__Z14ItemWindowProcP6HWND__jjl@16", "entry.obj"),
                   dac.Symbol("_g_State", "D", "state.obj"), undefined("_g_State", "entry.obj"),
                   undefined("_qsort")]
        report = dac.check(product, [], LISTS)
        self.assertFalse(report.failed)
        self.assertEqual(["qsort"], list(report.found))

    def test_compiler_and_runtime_helpers_fail_on_their_own(self):
        helpers = ["___chkstk_ms", "__alloca", "___udivdi3", "___cxa_guard_acquire", "__Znwj",
                   "___mingw_vsnwprintf"]
        report = dac.check([undefined(h) for h in helpers] + [undefined("_memcpy")], [], LISTS)
        self.assertTrue(report.failed)
        self.assertEqual(set(helpers), set(report.helpers))
        self.assertEqual({}, report.missing)
        self.assertIn("memcpy", report.found)   # emitted by the compiler, but a device function

    def test_stand_ins_count_as_device_functions_only_when_the_device_has_them(self):
        stand_ins = [defined("_SHRecognizeGesture@4"), defined("_TransparentImage@44"),
                     defined("_SHSipPreference@8"),            # not in these lists
                     defined("_WinceSetHoldTime")]            # a test knob, not WINAPI
        product = [undefined("_SHRecognizeGesture@4"), undefined("_TransparentImage@44")]
        report = dac.check(product, stand_ins, LISTS)
        self.assertEqual({"SHRecognizeGesture": "aygshell", "TransparentImage": "coredll",
                          "SHSipPreference": None}, report.stand_ins)
        self.assertEqual({}, report.missing)
        self.assertTrue(report.failed)   # SHSipPreference is no device function

    def test_device_calls_stand_for_the_platform_function_on_both_builds(self):
        for arch, call, stand_in in (("i686", "_DeviceCall_SHGetFileInfoW@20", "_DeviceCall_SHGetFileInfoW@20"),
                                     ("x86_64", "DeviceCall_SHGetFileInfoW", "DeviceCall_SHGetFileInfoW")):
            report = dac.check([undefined(call)], [defined(stand_in)], LISTS, arch)
            self.assertFalse(report.failed, arch)
            self.assertEqual(("coredll", "SHGetFileInfo"), report.found["SHGetFileInfoW"])
            self.assertEqual({"SHGetFileInfoW": "coredll"}, report.stand_ins)
        # A stand-in for something the device lacks is caught on the 64-bit build too.
        report = dac.check([], [defined("DeviceCall_GetWindowsDirectoryW"), defined("WinceSetHoldTime")],
                           LISTS, "x86_64")
        self.assertEqual({"GetWindowsDirectoryW": None}, report.stand_ins)
        self.assertTrue(report.failed)

    def test_product_call_of_a_stand_in_test_knob_fails(self):
        report = dac.check([undefined("_WinceSetHoldTime")], [defined("_WinceSetHoldTime")], LISTS)
        self.assertEqual({"WinceSetHoldTime"}, set(report.missing))

    def test_report_names_every_fault(self):
        report = dac.check([undefined("__imp__lstrlenW@4", "label.obj"), undefined("___chkstk_ms"),
                            undefined("_wcslen")], [], LISTS)
        out = io.StringIO()
        dac.print_report(report, LISTS, lambda raw: raw, False, out)
        text = out.getvalue()
        self.assertIn("FAIL: lstrlenW is not exported", text)
        self.assertIn("label.obj", text)
        self.assertIn("FAIL: compiler or runtime helper ___chkstk_ms", text)
        self.assertNotIn("PASS", text)
        self.assertIn("2 platform and C-runtime functions called", text)


def tool(name):
    return shutil.which(name)


class WithTheToolChain(unittest.TestCase):
    """Objects compiled as the product is, checked through the command line."""

    def setUp(self):
        if not (tool(OPTIONS["nm"]) and tool(OPTIONS["cxx"])):
            self.skipTest("no mingw tool chain")
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)

    def build(self, name, source):
        path = os.path.join(self.folder, name)
        with open(path + ".cpp", "w") as handle:
            handle.write("#define UNICODE\n#include <windows.h>\n#include <shellapi.h>\n" + source)
        subprocess.run([OPTIONS["cxx"], "-O2", "-c", path + ".cpp", "-o", path + ".obj"],
                       check=True)
        return path + ".obj"

    def run_check(self, *inputs):
        result = subprocess.run([sys.executable, os.path.join(HERE, "device_api_check.py"),
                                 "--nm", OPTIONS["nm"], "--lists", OPTIONS["lists"]] + list(inputs),
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                universal_newlines=True)
        return result.returncode, result.stdout

    def test_device_calls_pass_and_desktop_calls_fail(self):
        good = self.build("good", """
            static int Count(const WCHAR *s) { return (int)wcslen(s); }
            int Open(const WCHAR *path) {
                HKEY key;
                SHFILEINFOW info;
                SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX);
                return RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                       &key, NULL) + Count(path);
            }""")
        status, out = self.run_check(good)
        self.assertEqual(0, status, out)
        self.assertIn("PASS", out)

        archive = os.path.join(self.folder, "libproduct.a")
        # A division the processor cannot do by itself needs a libgcc helper.
        wide = "unsigned __int128" if arch() == "x86_64" else "unsigned long long"
        bad = self.build("bad", """
            typedef %s Wide;
            Wide Ratio(Wide a, Wide b) { return a / b; }""" % wide + """
            int Windows() {
                WCHAR dir[MAX_PATH];
                GetWindowsDirectoryW(dir, MAX_PATH);
                return lstrlenW(dir);
            }
            int Big(int i) { volatile char block[16384]; block[i] = 1; return block[0]; }""")
        subprocess.run([OPTIONS["nm"][:-2] + "ar", "rcs", archive, good, bad], check=True)
        status, out = self.run_check(archive)
        self.assertEqual(1, status, out)
        division = "__udivti3" if arch() == "x86_64" else "___udivdi3"
        for name in ("GetWindowsDirectoryW is not exported", "lstrlenW is not exported",
                     "helper " + division, "helper ___chkstk_ms"):
            self.assertIn(name, out)
        self.assertNotIn("RegCreateKeyExW is not", out)

    def link_dll(self, name, source, imports, *libraries):
        """A DLL of source linked with nothing but libraries and import libraries made by
        dlltool from imports, {DLL name: [.def export lines]}."""
        for dll, lines in imports.items():
            stem = os.path.join(self.folder, dll.lower()[:-4])
            with open(stem + ".def", "w") as handle:
                handle.write("LIBRARY %s\nEXPORTS\n%s\n" % (dll, "\n".join(lines)))
            subprocess.run([OPTIONS["nm"][:-2] + "dlltool", "-d", stem + ".def", "-l", stem + ".a"],
                           check=True)
            libraries += (stem + ".a",)
        path = os.path.join(self.folder, name + ".dll")
        source += '\nextern "C" BOOL WINAPI DllMainCRTStartup(HANDLE, DWORD, void *) { return 1; }'
        subprocess.run([OPTIONS["cxx"], "-shared", "-nostdlib", self.build(name, source), "-o", path]
                       + list(libraries), check=True)
        return path

    def test_dll_may_import_only_listed_names_of_the_device_libraries(self):
        source = """extern "C" int TransparentImage(), SHInitDialog();
            int Calls() { return TransparentImage() + SHInitDialog() + %s; }"""
        good = self.link_dll("good", source % "0", {"COREDLL.dll": ["TransparentImage"],
                                                   "aygshell.dll": ["SHInitDialog"]})
        status, out = self.run_check("--dll", good)
        self.assertEqual(0, status, out)
        self.assertIn("coredll 1, aygshell 1, commctrl 0", out)

        # Each name must be exported by the library it is imported from, not by any of them.
        bad = self.link_dll("bad", source % "(int)GetWindowsDirectoryW(0, 0)",
                            {"COREDLL.dll": ["SHInitDialog"],
                             "AYGSHELL.dll": ["TransparentImage @56 NONAME"]}, "-lkernel32")
        status, out = self.run_check("--dll", bad)
        self.assertEqual(1, status, out)
        for fault in ("imports from KERNEL32.dll, which is not a device library: "
                      "GetWindowsDirectoryW", "FAIL: SHInitDialog is not exported by coredll",
                      "ordinal 56 of AYGSHELL.dll"):
            self.assertIn(fault, out)

        # A file cut off inside its import table cannot be checked: an error, not a crash.
        image = pe_image.PEImage.from_file(bad)
        with open(bad, "wb") as handle:
            handle.write(image.data[:image.offset(image.directory(pe_image.DIR_IMPORT)[0]) + 10])
        status, out = self.run_check("--dll", bad)
        self.assertEqual(2, status, out)
        self.assertIn("truncated", out)

    def test_check_that_cannot_be_made_is_an_error(self):
        status, out = self.run_check(os.path.join(self.folder, "absent.a"))
        self.assertEqual(2, status, out)
        empty = self.build("empty", "int Nothing(int x) { return x * 3; }")
        status, out = self.run_check(empty)
        self.assertEqual(2, status, out)


if __name__ == "__main__":
    args = sys.argv[1:]
    rest = [sys.argv[0]]
    while args:
        arg = args.pop(0)
        if arg in ("--nm", "--cxx", "--lists") and args:
            OPTIONS[arg[2:]] = args.pop(0)
        else:
            rest.append(arg)
    unittest.main(argv=rest, verbosity=1)
