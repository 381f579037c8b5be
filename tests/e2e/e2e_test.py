#!/usr/bin/env python3
"""End-to-end tests of Tapshelf on the Today-screen emulator.

Each test gives the emulator (todayhost.exe) a device folder of its own as drive U:, sets
up the registry, runs a script of steps against the live screen and then checks what came
of it: the programs started (the recorder appends its command line to a log), the
registry, the host's event log (its probes report windows and pixels) and screenshots.

Run by ctest inside scripts/run-tests.sh, which provides the Wine prefix, the display and a
warm Wine server:  e2e_test.py --build BUILD_DIR GROUP
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import unittest

BUILD = ''
ITEMS_KEY = r'HKEY_LOCAL_MACHINE\Software\Microsoft\Today\Items'
TAPSHELF_KEY = r'HKEY_CURRENT_USER\Software\Tapshelf'
PACKAGES_KEY = r'HKEY_LOCAL_MACHINE\Software\Apps'
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
TASK_BAR = 26      # task bar height at 240x320
MENU_BAR_TOP = 294


def winpath(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def reg_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def wine(args, timeout=30, env=None):
    return subprocess.run(['wine'] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=timeout, env=env)


def reg_query(key):
    """Values and subkey names of a registry key: ({name: (type, text)}, [subkeys])."""
    out = wine(['reg', 'query', key]).stdout.decode('utf-8', 'replace').replace('\r', '')
    values, subkeys = {}, []
    lines = out.split('\n')
    for line in lines[1:]:
        if line.startswith('    '):
            parts = line.strip().split('    ')
            if len(parts) >= 2:
                values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else '')
        elif line.upper().startswith(key.upper() + '\\'):
            subkeys.append(line[len(key) + 1:])
    return values, subkeys


def has_dialog_resource(path, dialog_id):
    """Whether a PE file holds an RT_DIALOG resource with the given id."""
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    sections = struct.unpack_from('<H', data, pe + 6)[0]
    optional_size = struct.unpack_from('<H', data, pe + 20)[0]
    optional = pe + 24
    directories = optional + (96 if struct.unpack_from('<H', data, optional)[0] == 0x10B else 112)
    rsrc_rva = struct.unpack_from('<I', data, directories + 2 * 8)[0]
    if not rsrc_rva:
        return False
    base = None
    for i in range(sections):
        _, vsize, va, raw_size, raw_pointer = struct.unpack_from('<8sIIII', data, optional + optional_size + 40 * i)
        if va <= rsrc_rva < va + max(vsize, raw_size):
            base = raw_pointer + rsrc_rva - va
    if base is None:
        return False

    def entries(offset):
        named, ids = struct.unpack_from('<HH', data, base + offset + 12)
        for k in range(named + ids):
            yield struct.unpack_from('<II', data, base + offset + 16 + 8 * k)

    for name, target in entries(0):
        if name == 5 and target & 0x80000000:
            return any(n == dialog_id for n, _ in entries(target & 0x7FFFFFFF))
    return False


class Run:
    """What one run of the emulator left: its exit code and its event log."""

    def __init__(self, code, log):
        self.code = code
        self.log = log

    def lines(self, prefix):
        return [line for line in self.log if line.startswith(prefix)]

    def sends(self, item):
        """Messages the host sent to an item, without the periodic height queries."""
        return [line[len('send ' + item) + 1:] for line in self.lines('send %s ' % item)
                if 'QUERYREFRESHCACHE' not in line]

    def rect(self, item):
        """The item's last screen rectangle."""
        found = self.lines('layout %s ' % item)
        assert found, 'no layout of %s in the log' % item
        return tuple(int(v) for v in found[-1].split()[-4:])

    def probes(self, what):
        return [line[len('probe ' + what) + 1:] for line in self.lines('probe %s' % what)]

    def pixels(self):
        """(x, y) -> (pixel, background) of every pixel probe."""
        result = {}
        for line in self.probes('pixel'):
            x, y, pixel, _, background = line.split()
            result[(int(x), int(y))] = (pixel, background)
        return result


def desktop_programs():
    """The processes of Wine's programs that draw desktops ("explorer.exe /desktop")."""
    found = []
    for pid in os.listdir('/proc'):
        try:
            with open(os.path.join('/proc', pid, 'cmdline'), 'rb') as f:
                words = f.read().split(b'\0')
        except OSError:
            continue
        if any(w.lower().endswith(b'explorer.exe') for w in words) and b'/desktop' in words:
            found.append(pid)
    return found


class E2ETest(unittest.TestCase):
    """A fresh device folder (drive U:), an empty registry and logs of the test's own."""

    def setUp(self):
        # An earlier test's desktops (a test run on a screen of its own makes some) take a
        # moment to leave the display once their programs have ended; a desktop still going
        # away when the emulator starts takes the emulator's windows with it.
        deadline = time.monotonic() + 10
        while desktop_programs() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.prefix = os.environ.get('WINEPREFIX', '')
        self.assertTrue(self.prefix and os.path.isdir(self.prefix),
                        'run the end-to-end tests through scripts/run-tests.sh')
        self.work = os.path.join(BUILD, 'tests', 'e2e', 'work', self.id().split('.', 1)[1])
        shutil.rmtree(self.work, ignore_errors=True)
        self.device = os.path.join(self.work, 'device')
        os.makedirs(self.device)
        self.drive = os.path.join(self.prefix, 'dosdevices', 'u:')
        if os.path.lexists(self.drive):
            os.remove(self.drive)
        os.symlink(self.device, self.drive)
        self.launch_log = os.path.join(self.work, 'launches.txt')
        self.item_log = os.path.join(self.work, 'item.txt')
        self.host = os.path.join(BUILD, 'bin', 'todayhost.exe')
        self.dll = os.path.join(BUILD, 'bin', 'tapshelf.dll')
        self.recorder = os.path.join(BUILD, 'tests', 'recorder.exe')
        self.registry('')
        # Real pen input of earlier tests may have left the pointer over the screen, where
        # Wine would move the mouse under a held pen as windows appear: it is put aside.
        subprocess.run(['bash', '-c', '. "$0" && wine_env_park_pointer',
                        os.path.join(SOURCE, 'scripts', 'wine-env.sh')], check=True)

    def tearDown(self):
        self.registry('')
        if os.path.lexists(self.drive):
            os.remove(self.drive)

    # ---- set-up helpers

    def registry(self, body):
        """Empties Tapshelf's keys, the Today item list and the installed packages' records,
        then imports body (REGEDIT4)."""
        text = 'REGEDIT4\n\n[-%s]\n\n[-%s]\n\n[-%s]\n\n%s\n' % (TAPSHELF_KEY, ITEMS_KEY, PACKAGES_KEY, body)
        path = os.path.join(self.work, 'registry.reg')
        with open(path, 'w', newline='\r\n') as f:
            f.write(text)
        # regedit now and then answers 1 right after an emulator run has ended; a second
        # import of the same file then succeeds.
        for attempt in range(3):
            status = wine(['regedit', '/S', winpath(path)]).returncode
            if status == 0:
                break
            time.sleep(0.5)
        self.assertEqual(0, status)

    @staticmethod
    def item_key(name, dll, order=0, enabled=1, options=1, extra=None):
        lines = ['[%s\\%s]' % (ITEMS_KEY, name), '"Type"=dword:00000004', '"DLL"=' + reg_string(winpath(dll)),
                 '"Order"=dword:%08x' % order, '"Enabled"=dword:%08x' % enabled, '"Options"=dword:%08x' % options]
        for value, number in (extra or {}).items():
            lines.append('"%s"=dword:%08x' % (value, number))
        return '\n'.join(lines) + '\n\n'

    def tapshelf_item(self, enabled=1):
        return self.item_key('Tapshelf', self.dll, enabled=enabled)

    @staticmethod
    def entries(*entries, settings=None):
        """Launch list keys: (name, file, command line) in list order; settings as numbers."""
        text = '[%s\\FileList]\n\n' % TAPSHELF_KEY
        for index, (name, file, command) in enumerate(entries):
            text += '[%s\\FileList\\%s]\n"FileName"=%s\n"CommnadLine"=%s\n"Index"=dword:%08x\n\n' % (
                TAPSHELF_KEY, name, reg_string(file), reg_string(command), index)
        text += '[%s]\n"ShowIconSec"=dword:00000000\n' % TAPSHELF_KEY
        for name, value in (settings or {}).items():
            text += '"%s"=dword:%08x\n' % (name, value)
        return text + '\n'

    def install_recorder(self):
        """The recorder as \\Windows\\recorder.exe of the device."""
        os.makedirs(os.path.join(self.device, 'Windows'), exist_ok=True)
        shutil.copy(self.recorder, os.path.join(self.device, 'Windows', 'recorder.exe'))
        return '\\Windows\\recorder.exe'

    # ---- running

    def run_script(self, script, host=None, expect_code=0, timeout=40, dll=True):
        script_path = os.path.join(self.work, 'script.txt')
        log_path = os.path.join(self.work, 'host.log')
        with open(script_path, 'w') as f:
            f.write(script)
        if os.path.exists(log_path):
            os.remove(log_path)
        env = dict(os.environ, TAPSHELF_LAUNCH_LOG=winpath(self.launch_log),
                   TAPSHELF_E2E_ITEM_LOG=winpath(self.item_log), WINEDEBUG='-all')
        # Output into a file, never a pipe: Wine's desktop process, started by the first
        # window, inherits it and would hold the pipe open after the host has ended.
        stderr_path = os.path.join(self.work, 'host.stderr')
        with open(stderr_path, 'wb') as stderr:
            result = subprocess.run(['wine', host or self.host, '--device', 'U:']
                                    + (['--dll', winpath(self.dll)] if dll else [])
                                    + ['--script', winpath(script_path), '--log', winpath(log_path),
                                       '--out', winpath(os.path.join(self.work, 'out')), '--timeout', str(timeout)],
                                    stdin=subprocess.DEVNULL, stdout=stderr, stderr=stderr, timeout=60, env=env)
        with open(stderr_path, 'rb') as f:
            output = f.read().decode(errors='replace')
        log = []
        if os.path.exists(log_path):
            with open(log_path, encoding='utf-8') as f:
                log = f.read().splitlines()
        run = Run(result.returncode, log)
        self.assertEqual(expect_code, result.returncode,
                         'host exit code; output:\n%s\nlog:\n%s' % (output, '\n'.join(log)))
        run.output = output
        return run

    def launches(self, count, timeout=10.0):
        """The command lines of started programs, once count of them are there (then a short
        grace period shows any start that should not have happened)."""
        deadline = time.time() + timeout
        lines = []
        while time.time() < deadline:
            lines = self.read_lines(self.launch_log)
            if len(lines) >= count:
                break
            time.sleep(0.05)
        time.sleep(0.3)
        return self.read_lines(self.launch_log)

    @staticmethod
    def read_lines(path):
        if not os.path.exists(path):
            return []
        with open(path, encoding='utf-8') as f:
            return f.read().splitlines()

    def item_events(self):
        return self.read_lines(self.item_log)


# ---------------------------------------------------------------------------------------

class Launching(E2ETest):
    def test_a_tap_starts_its_entry_and_a_miss_or_a_drag_starts_nothing(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(('Alpha', program, 'alpha beta'), ('Plain', program, '')))
        run = self.run_script('''
            tap 150 10 Tapshelf      # empty space right of the icons
            down 10 10 Tapshelf      # pen down on the first icon ...
            up 30 10 Tapshelf        # ... lifted on the second
            tap 10 10 Tapshelf
            wait 400
            tap 30 10 Tapshelf
        ''')
        lines = self.launches(2)
        self.assertEqual(2, len(lines), lines)
        self.assertTrue(lines[0].endswith(' alpha beta'), lines)
        self.assertIn('recorder.exe', lines[1].lower())
        self.assertFalse(lines[1].rstrip().endswith('alpha beta'), lines)
        # Every pen-down in the item tells the host, also on empty space.
        self.assertEqual(4, len(run.lines('took selection Tapshelf')))
        self.assertEqual(['selection Tapshelf'], run.lines('selection'))

    def test_a_missing_program_brings_the_platforms_message_and_the_screen_goes_on(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item()
                      + self.entries(('Gone', '\\Program Files\\gone.exe', ''), ('Here', program, 'here')))
        run = self.run_script('''
            tap 10 10 Tapshelf
            wait 300
            probe dialog
            refresh        # while Tapshelf's code waits for the message: not unloaded under it
            close
            wait 300
            probe dialog
            tap 30 10 Tapshelf
        ''')
        dialogs = run.probes('dialog')
        self.assertTrue(dialogs[0].startswith('#32770'), dialogs)
        self.assertEqual('none', dialogs[1])
        self.assertEqual(['here'], [line.split()[-1] for line in self.launches(1)])
        self.assertEqual(["items: re-created once the item's call has returned", 'items: re-created'],
                         run.lines('items:'))


class Folders(E2ETest):
    def test_folders_and_the_root_open_in_the_file_explorer_beside_the_host(self):
        # A copy of the host with the recorder as its fexplore.exe.
        folder = os.path.join(self.work, 'bin')
        os.makedirs(folder)
        host = shutil.copy(self.host, os.path.join(folder, 'todayhost.exe'))
        shutil.copy(self.recorder, os.path.join(folder, 'fexplore.exe'))
        self.registry(self.tapshelf_item() + self.entries(('Docs', '\\My Documents', 'dropped'), ('Root', '\\', '')))
        self.run_script('''
            key down
            key down
            key return
            wait 400
            key down
            key return
        ''', host=host)
        lines = self.launches(2)
        self.assertEqual(2, len(lines), lines)
        for line in lines:
            self.assertIn('fexplore.exe', line.lower())
        self.assertTrue(lines[0].endswith(' \\My Documents'), lines)
        self.assertTrue(lines[1].endswith(' \\'), lines)


    def test_the_file_explorer_stand_in_opens_the_folder_and_the_task_bar_closes_it(self):
        self.registry(self.tapshelf_item() + self.entries(('Docs', '\\My Documents', '')))
        run = self.run_script('''
            tap 10 10 Tapshelf
            await TapshelfFileExplorer
            probe at 120 100
            probe taskbar
            tap 226 13               # the task bar's X
            wait 300
            probe at 120 100
        ''')
        inside, after = run.probes('at')
        self.assertEqual("120 100 SysListView32 ''", inside)
        self.assertEqual(["'File Explorer' ok=0 close=1"], run.probes('taskbar'))
        self.assertEqual("120 100 DesktopExplorerWindow 'Today'", after)


class Keys(E2ETest):
    def test_the_selection_walks_through_the_entries_and_on_to_the_other_items(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item()
                      + self.entries(('One', program, 'one'), ('Two', program, 'two'), ('Three', program, 'three')))
        run = self.run_script('''
            key up        # from below: the last entry
            key return
            wait 400
            key up
            key up
            key up        # past the first entry: on to the date item
            key left      # the date item's: no item sees it
            key down      # into Tapshelf from above: the first entry
            key down
            key return
            probe label
        ''')
        self.assertEqual(['RECEIVEDSELECTION 38 -> 1', 'ACTION 0 -> 1', 'USERNAVIGATION 38 -> 1',
                          'USERNAVIGATION 38 -> 1', 'USERNAVIGATION 38 -> 0', 'LOSTSELECTION 0 -> 1',
                          'RECEIVEDSELECTION 40 -> 1', 'USERNAVIGATION 40 -> 1', 'ACTION 0 -> 1'],
                         run.sends('Tapshelf'))
        self.assertEqual(['selection Tapshelf', 'selection Date', 'selection Tapshelf'], run.lines('selection'))
        self.assertEqual(['three', 'two'], [line.split()[-1] for line in self.launches(2)])
        # The key selection shows the entry's name just above the item's corner.
        left, top, _, _ = run.rect('Tapshelf')
        state, l, t, r, b = run.probes('label')[-1].split()
        self.assertEqual(('visible', 0, top - 2), (state, int(l), int(b)))

    def test_left_and_right_move_inside_the_item_in_the_other_key_mode(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item()
                      + self.entries(('One', program, 'one'), ('Two', program, 'two'), settings={'CtrlUpDown': 0}))
        run = self.run_script('''
            key down
            key down
            key right
            key right     # at the last entry: back to the host, which has nothing below
            key down      # up and down are the host's in this mode
            key return
            wait 400
            key up
        ''')
        self.assertEqual(['RECEIVEDSELECTION 40 -> 1', 'USERNAVIGATION 39 -> 1', 'USERNAVIGATION 39 -> 0',
                          'USERNAVIGATION 40 -> 0', 'ACTION 0 -> 1', 'USERNAVIGATION 38 -> 0', 'LOSTSELECTION 0 -> 1'],
                         run.sends('Tapshelf'))
        self.assertEqual(['two'], [line.split()[-1] for line in self.launches(1)])


class Label(E2ETest):
    def test_holding_the_pen_shows_the_name_above_left_of_it_and_lifting_it_starts_the_entry(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(*[('E%d' % i, program, 'e%d' % i) for i in range(8)]))
        run = self.run_script('''
            down 150 10 Tapshelf     # the eighth icon
            wait 800
            probe label
            up 150 10 Tapshelf
            probe label
        ''')
        left, top, _, _ = run.rect('Tapshelf')
        shown, hidden = run.probes('label')
        state, l, t, r, b = shown.split()
        self.assertEqual(('visible', left + 148, top + 8), (state, int(r), int(b)))
        self.assertTrue(hidden.startswith('hidden'), hidden)
        self.assertEqual(['e7'], [line.split()[-1] for line in self.launches(1)])

    def test_a_quick_tap_shows_no_name_and_a_tap_on_the_name_hides_it(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(('One', program, 'one'), ('Two', program, 'two')))
        run = self.run_script('''
            tap 10 10 Tapshelf
            probe label
            key down                 # the item has the selection: the next entry, named
            probe label
            tap 4 -6 Tapshelf        # on the label, just above the item
            probe label
        ''')
        after_tap, named, after_label_tap = run.probes('label')
        self.assertTrue(after_tap.startswith('hidden'), after_tap)
        self.assertTrue(named.startswith('visible'), named)
        self.assertTrue(after_label_tap.startswith('hidden'), after_label_tap)
        self.assertEqual(['one'], [line.split()[-1] for line in self.launches(1)])


class Screen(E2ETest):
    def test_the_item_shows_the_hosts_background_and_the_screenshot_holds_the_screen(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(('One', program, 'one'), ('Two', program, 'two')))
        run = self.run_script('''
            wait 300
            probe pixel 230 12 Tapshelf   # right of the icons
            probe pixel 30 22 Tapshelf    # below the icons
            probe pixel 120 200           # the Today window under the items
            probe pixel 1 1 Tapshelf      # a corner of the first cell
            key down
            key down
            probe pixel 1 1 Tapshelf      # the same corner, now highlighted
            shot screen.png
            probe at 120 5
            probe at 120 310
            probe at 120 200
            probe taskbar
        ''')
        left, top, _, _ = run.rect('Tapshelf')
        pixels = run.pixels()
        probes = [line.split() for line in run.probes('pixel')]
        for x, y in ((left + 230, top + 12), (left + 30, top + 22), (120, 200)):
            pixel, background = pixels[(x, y)]
            self.assertEqual(background, pixel, 'pixel at %d,%d' % (x, y))
        corner_before = probes[3][2]
        corner_after, background = probes[4][2], probes[4][4]
        self.assertEqual(background, corner_before)
        self.assertNotEqual(background, corner_after)

        shot = os.path.join(self.work, 'out', 'screen.png')
        size = subprocess.run(['identify', '-format', '%w %h', shot], capture_output=True, timeout=30)
        self.assertEqual(b'240 320', size.stdout)
        x, y = left + 230, top + 12
        colour = subprocess.run(['convert', shot, '-format', '%%[hex:p{%d,%d}]' % (x, y), 'info:'],
                                capture_output=True, timeout=30).stdout.decode()
        self.assertEqual(pixels[(x, y)][0], colour[:6])

        self.assertEqual(['120 5 HHTaskBar \'\'', '120 310 menu_worker \'\'',
                          '120 200 DesktopExplorerWindow \'Today\''], run.probes('at'))
        self.assertEqual(["'Today' ok=0 close=0"], run.probes('taskbar'))


class Scripts(E2ETest):
    def test_a_hold_step_shows_the_name_and_starts_the_entry(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(('One', program, 'one'), ('Two', program, 'two')))
        run = self.run_script('hold 30 10 Tapshelf\nprobe label\n')
        self.assertTrue(run.probes('label')[0].startswith('hidden'))
        self.assertEqual(['two'], [line.split()[-1] for line in self.launches(1)])

    def test_a_bad_script_stops_with_its_line_and_never_hangs(self):
        self.registry(self.tapshelf_item() + self.entries())
        run = self.run_script('wait 10\n\njump 1 2\n', expect_code=2)
        self.assertIn("line 3: unknown step 'jump'", run.output)
        self.assertEqual([], run.lines('item'))        # refused before anything was loaded
        run = self.run_script('tap 1 1 Nowhere\n', expect_code=2)
        self.assertIn("script line 1: no item 'Nowhere'", run.output)
        self.assertEqual(1, len(run.lines('unload Tapshelf: library freed')))
        started = time.time()
        run = self.run_script('wait 20000\n', expect_code=3, timeout=1)
        self.assertLess(time.time() - started, 10)
        self.assertIn('time-out', run.output)


class Registry(E2ETest):
    def test_the_first_run_registers_the_item_and_writes_the_demo_list_and_the_device_folders(self):
        run = self.run_script('wait 100\n')
        values, _ = reg_query(ITEMS_KEY + '\\Tapshelf')
        # The installer's registration, but for the library, which is the one built here.
        with open(os.path.join(SOURCE, 'resources', 'today_item.reg'), encoding='utf-8') as reg:
            numbers = re.findall(r'^"(\w+)"=dword:([0-9a-fA-F]{8})$', reg.read(), re.M)
        self.assertTrue({'Type', 'Enabled', 'Options', 'Selectability'} <= {name for name, _ in numbers})
        for name, value in numbers:
            self.assertEqual(('REG_DWORD', hex(int(value, 16))), values[name], name)
        self.assertEqual(('REG_SZ', winpath(self.dll)), values['DLL'])
        _, names = reg_query(TAPSHELF_KEY + '\\FileList')
        self.assertEqual(5, len(names), names)
        files, indices = set(), set()
        for name in names:
            entry, _ = reg_query(TAPSHELF_KEY + '\\FileList\\' + name)
            files.add(entry['FileName'][1])
            indices.add(entry['Index'][1])
            self.assertEqual('REG_SZ', entry['CommnadLine'][0])
        self.assertTrue({'\\', '\\My Documents', '\\Windows\\winemine.exe'} <= files, files)
        self.assertEqual({'0x0', '0x1', '0x2', '0x3', '0x4'}, indices)
        for path in ('Windows/winemine.exe', 'Windows/Start Menu/Programs/Notepad.lnk',
                     'Windows/Start Menu/Programs/Games/Minesweeper.lnk', 'My Documents/Welcome.txt', 'Program Files'):
            self.assertTrue(os.path.exists(os.path.join(self.device, path)), path)
        # The root holds what a device's does: no file of the emulator's own.
        self.assertEqual(['My Documents', 'Program Files', 'Temp', 'Windows'], sorted(os.listdir(self.device)))
        # ... and the next run knows it as its own all the same.
        again = self.run_script('wait 50\n')
        self.assertFalse([line for line in again.lines('device: ') if 'left as it is' in line])
        self.assertEqual(1, len(run.lines('item Tapshelf: loaded')))

    def test_an_existing_list_and_item_key_are_kept_and_a_disabled_item_is_not_shown(self):
        self.registry(self.tapshelf_item(enabled=0) + '[%s\\FileList]\n' % TAPSHELF_KEY)
        run = self.run_script('probe items\n')
        self.assertEqual([], reg_query(TAPSHELF_KEY + '\\FileList')[1])
        self.assertEqual(('REG_DWORD', '0x0'), reg_query(ITEMS_KEY + '\\Tapshelf')[0]['Enabled'])
        self.assertEqual(['item Tapshelf: disabled'], run.lines('item Tapshelf'))
        self.assertEqual(['Date'], [line.split()[0] for line in run.probes('item')])

    def test_broken_item_keys_are_skipped_and_a_stale_path_to_tapshelf_is_mended(self):
        self.registry(self.item_key('Tapshelf', os.path.join(self.work, 'moved', 'tapshelf.dll'))
                      + self.item_key('Broken', os.path.join(self.work, 'none.dll'))
                      + self.item_key('NotMine', self.dll).replace('dword:00000004', 'dword:00000001', 1)
                      + self.item_key('NoEntry', self.recorder))
        run = self.run_script('probe items\n')
        self.assertTrue(run.lines('item Broken: cannot load'))
        self.assertTrue(run.lines('item NotMine: not a custom item'))
        self.assertTrue(run.lines('item NoEntry: no export ordinal 240'))
        self.assertEqual(['Date', 'Tapshelf'], [line.split()[0] for line in run.probes('item')])
        self.assertEqual(('REG_SZ', winpath(self.dll)), reg_query(ITEMS_KEY + '\\Tapshelf')[0]['DLL'])

    def test_a_root_that_is_not_ours_is_left_alone(self):
        with open(os.path.join(self.device, 'keep.txt'), 'w') as f:
            f.write('not a device')
        self.registry(self.tapshelf_item() + '[%s\\FileList]\n' % TAPSHELF_KEY)
        run = self.run_script('wait 50\n')
        self.assertEqual(['keep.txt'], os.listdir(self.device))
        self.assertTrue(run.lines('device: ') and 'left as it is' in run.lines('device: ')[0])


class Options(E2ETest):
    def test_the_options_soft_key_runs_dialog_500_or_says_there_is_none(self):
        self.registry(self.tapshelf_item() + self.entries())
        if not has_dialog_resource(self.dll, 500):
            run = self.run_script('''
                options
                wait 200
                probe dialog
            ''')
            self.assertEqual(['options: Tapshelf has no options dialog yet'], run.lines('options'))
            self.assertEqual(['none'], run.probes('dialog'))
            self.assertEqual([], run.lines('items: re-created'))
            return
        run = self.run_script('''
            options
            wait 300
            probe dialog
            probe taskbar
            ok
            wait 300
            probe dialog
        ''')
        dialog, after = run.probes('dialog')
        rect = tuple(int(v) for v in dialog.split()[-5:-1])
        self.assertEqual((0, TASK_BAR, 240, MENU_BAR_TOP), rect)
        self.assertTrue(dialog.endswith('done=1'), dialog)
        self.assertTrue(run.probes('taskbar')[0].endswith('ok=1 close=0'))
        self.assertEqual('none', after)
        self.assertEqual(1, len(run.lines('items: re-created')))
        self.assertEqual(2, len(run.lines('item Tapshelf: loaded')))


    def test_the_options_dialog_scrolled_on_the_turned_screen_is_whole_again_when_turned_back(self):
        self.registry(self.tapshelf_item() + self.entries(('Root', '\\', '')))
        points = ''.join('probe at 200 %d\n' % y for y in range(TASK_BAR + 4, MENU_BAR_TOP, 10))
        # Opened on the turned screen, the dialog is taller than its area and scrolls.
        run = self.run_script('options\nwait 300\n' + points + 'ok\nwait 300\nrotate\noptions\nwait 300\n'
                              'scroll 1007\nrotate\n' + points)
        scrolled = run.lines('step ')
        self.assertTrue([line for line in scrolled if 'scroll 1007, at ' in line and not line.endswith(' at 0')],
                        'the dialog did not scroll on the turned screen')
        probes = run.probes('at')
        self.assertEqual(probes[:len(probes) // 2], probes[len(probes) // 2:])


class HostContract(E2ETest):
    """The host's side of the Today item contract, checked with the tests' own item."""

    def setUp(self):
        super().setUp()
        self.test_item = os.path.join(BUILD, 'tests', 'e2e', 'e2e_item.dll')

    def items(self, alpha=None, beta=None):
        return (self.tapshelf_item(enabled=0)
                + self.item_key('Alpha', self.test_item, order=2, options=1, extra=dict({'TestHeight': 30}, **(alpha or {})))
                + self.item_key('Beta', self.test_item, order=1, options=0, extra=dict({'TestHeight': 20}, **(beta or {})))
                + self.item_key('Gamma', self.test_item, order=0, enabled=0))

    def test_items_stand_in_their_order_at_the_heights_they_ask_for(self):
        self.registry(self.items(beta={'TestHeight2': 40}))
        run = self.run_script('''
            probe items
            wait 2300                # the host asks again every 2 seconds
            probe items
            probe pixel 200 5 Alpha  # the item paints the host's watermark
        ''')
        first, second = run.probes('item')[:3], run.probes('item')[3:]
        self.assertEqual(['Date', 'Beta', 'Alpha'], [line.split()[0] for line in first])
        heights = lambda probes: [int(p.split()[4]) - int(p.split()[2]) for p in probes]
        self.assertEqual([38, 20, 30], heights(first))
        self.assertEqual([38, 40, 30], heights(second))
        self.assertEqual(TASK_BAR + 38 + 40, int(second[2].split()[2]))
        pixel, background = list(run.pixels().values())[0]
        self.assertEqual(background, pixel)
        self.assertEqual(['item Gamma: disabled'], run.lines('item Gamma'))
        events = self.item_events()
        self.assertEqual(['Beta init order 1 options 0', 'Alpha init order 2 options 1'],
                         [e for e in events if ' init ' in e])

    def test_a_turned_screen_swaps_its_size_under_running_items_and_an_open_dialog(self):
        self.registry(self.items())
        run = self.run_script('''
            options
            wait 200
            rotate
            probe dialog
            probe items
            probe at 300 5
            probe at 300 230
            wait 2300                # the queries go on
            rotate
            probe dialog
            probe items
        ''')
        turned, back = run.probes('dialog')[:2]
        self.assertEqual((0, TASK_BAR, 320, 240 - TASK_BAR), tuple(int(v) for v in turned.split()[-5:-1]))
        self.assertEqual((0, TASK_BAR, 240, MENU_BAR_TOP), tuple(int(v) for v in back.split()[-5:-1]))
        items = run.probes('item')
        self.assertEqual([(0, 320)] * 3 + [(0, 240)] * 3, [(int(p.split()[1]), int(p.split()[3])) for p in items])
        self.assertIn('HHTaskBar', run.probes('at')[0])
        self.assertIn('menu_worker', run.probes('at')[1])
        self.assertEqual(['rotate: screen 320x240', 'rotate: screen 240x320'], run.lines('rotate: screen'))
        events = self.item_events()
        turns = [i for i, e in enumerate(events) if e == 'options settingchange 0x3002']
        self.assertEqual(2, len(turns), events)
        self.assertTrue([e for e in events[turns[0]:turns[1]] if ' query ' in e], 'no height query after the turn')
        # A run that ends turned leaves the display as it found it.
        run = self.run_script('rotate\n')
        self.assertEqual(['screen: back to 240x320'], run.lines('screen: back'))
        self.assertIn('screen 240x320', self.run_script('wait 10\n').lines('screen ')[0])

    def test_a_refused_selection_goes_on_to_the_next_item_and_a_tap_takes_it(self):
        self.registry(self.items(beta={'TestRefuse': 1}))
        run = self.run_script('''
            key down     # the date item
            key down     # Beta refuses: Alpha
            key up       # Alpha answers 0: the host moves up past Beta to the date item
            tap 5 5 Beta
            tap 5 5 Alpha
            key return
        ''')
        events = [e for e in self.item_events() if ' init ' not in e and 'query' not in e]
        self.assertEqual(['Beta received 40 -> 0', 'Alpha received 40 -> 1', 'Alpha navigate 38 -> 0', 'Alpha lost',
                          'Beta received 38 -> 0', 'Beta pen down', 'Alpha pen down', 'Beta lost', 'Alpha action'],
                         [e for e in events if 'clearcache' not in e and 'destroy' not in e and e != 'detach'])
        self.assertEqual(['selection Date', 'selection Alpha', 'selection Date', 'selection Beta', 'selection Alpha'],
                         run.lines('selection'))

    def test_the_options_dialog_fills_the_screen_between_the_bars_and_ok_makes_the_items_anew(self):
        self.registry(self.items())
        run = self.run_script('''
            options
            wait 200
            probe dialog
            probe taskbar
            ok
            wait 200
            probe dialog
            key down
            key down     # Beta, which has no options
            options
            wait 200
            probe dialog
        ''')
        dialog = run.probes('dialog')[0]
        self.assertTrue(dialog.startswith("#32770 'Test options' 0 %d 240 %d done=1" % (TASK_BAR, MENU_BAR_TOP)),
                        dialog)
        self.assertEqual(["'Test options' ok=1 close=0"], run.probes('taskbar'))
        self.assertEqual(['none', 'none'], run.probes('dialog')[1:])
        self.assertEqual(['options Alpha: opened', 'options Alpha: closed -> 1', 'options: Beta has no options'],
                         run.lines('options'))
        events = self.item_events()
        self.assertEqual(['options init', 'options ok'], [e for e in events if e.startswith('options')])
        # Unloading, both after the dialog and at the end: each item's cache is cleared before
        # its window goes, and the library is freed after the last window.
        for rounds in (events[:events.index('detach') + 1], events[events.index('detach') + 1:]):
            unload = [e for e in rounds if 'clearcache' in e or 'destroy' in e or e == 'detach']
            self.assertEqual(5, len(unload), rounds)
            for name in ('Alpha', 'Beta'):
                self.assertLess(unload.index(name + ' clearcache'), unload.index(name + ' destroy'))
            self.assertEqual('detach', unload[-1])


class Editing(E2ETest):
    def test_an_entry_added_through_the_editor_and_the_chooser_starts_from_its_icon(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(('Alpha', program, 'alpha')))
        run = self.run_script('''
            options
            wait 300
            press 1002            # Add: the entry editor
            wait 300
            press 1012            # "..." beside the file path: the file chooser, at the root
            wait 500
            pick Windows
            wait 400
            pick recorder.exe     # a tap on a file ends the chooser with it
            wait 400
            probe dialog
            ok                    # the editor's Done: a new row
            wait 300
            ok                    # the options dialog's Done: stored, and the items made anew
            wait 800
            tap 30 10 Tapshelf    # the second icon
        ''')
        self.assertTrue(run.probes('dialog')[0].startswith("#32770 'File' "), run.probes('dialog'))
        lines = self.launches(1)
        self.assertEqual(1, len(lines), lines)
        self.assertIn('recorder.exe', lines[0].lower())
        self.assertNotIn('alpha', lines[0])
        _, subkeys = reg_query(TAPSHELF_KEY + '\\FileList')
        self.assertEqual(['Alpha', 'recorder'], sorted(subkeys))
        values, _ = reg_query(TAPSHELF_KEY + '\\FileList\\recorder')
        self.assertEqual(('REG_SZ', program), values['FileName'])
        self.assertEqual('0x1', values['Index'][1])


class InputPanel(E2ETest):
    def test_the_panel_follows_the_edit_boxes_and_its_keys_type_an_entry_that_starts(self):
        program = self.install_recorder()
        self.registry(self.tapshelf_item() + self.entries(('Alpha', program, 'alpha')))
        run = self.run_script(r'''
            probe sip
            sip                   # the keyboard button raises the panel on the Today screen
            wait 100
            probe sip
            sip                   # and lowers it
            wait 100
            probe sip
            options
            wait 300
            probe sip             # no edit box in the options dialog: down
            press 1002            # Add: the name box takes the focus and the panel comes up
            wait 300
            probe sip
            type My Rec!
            panel backspace
            press 1004            # the file path box
            type \Windows\recorder.exe
            press 1005            # the command line box
            type -x Ab
            panel left
            panel space
            ok                    # the editor's Done: the panel goes down with the box
            wait 300
            probe sip
            ok
            wait 800
            tap 30 10 Tapshelf    # the new entry, second
        ''')
        self.assertEqual(['down', 'up', 'down', 'down', 'up', 'down'], run.probes('sip'))
        values, _ = reg_query(TAPSHELF_KEY + '\\FileList\\My Rec')
        self.assertEqual(('REG_SZ', '\\Windows\\recorder.exe'), values['FileName'])
        self.assertEqual(('REG_SZ', '-x A b'), values['CommnadLine'])
        lines = self.launches(1)
        self.assertEqual(1, len(lines), lines)
        self.assertTrue(lines[0].endswith('-x A b'), lines)


class Installer(E2ETest):
    """The emulator's installer with the emulator's CAB: the desktop builds of the plug-in and
    the setup DLL, made by make-cab from resources/today_item.reg."""

    def setUp(self):
        super().setUp()
        self.cab = os.path.join(BUILD, 'bin', 'Tapshelf.cab')
        self.installed = os.path.join(self.device, 'Windows', 'tapshelf.dll')
        self.program = self.install_recorder()
        self.registry(self.entries(('Alpha', self.program, 'alpha')))

    def install(self, cab=None, before='', after=''):
        return self.run_script('%s\ninstall %s\nwait 300\nprobe items\n%s\n' % (
            before, winpath(cab) if cab else '', after), dll=False)

    def items(self, run):
        return [line.split()[0] for line in run.probes('item')]

    @staticmethod
    def registration():
        """{name: (type, text)} of resources/today_item.reg, as reg_query gives them."""
        values = {}
        with open(os.path.join(SOURCE, 'resources', 'today_item.reg'), encoding='utf-8') as reg:
            for name, number, text in re.findall(r'^"(\w+)"=(?:dword:([0-9a-fA-F]{8})|"(.*)")$', reg.read(), re.M):
                values[name] = ('REG_DWORD', hex(int(number, 16))) if number else (
                    'REG_SZ', re.sub(r'\\(.)', r'\1', text))
        return values

    def upgrade_cab(self):
        """The emulator's CAB with a plug-in that differs from the installed one (a byte
        pattern after its end, which the loader ignores): its bytes and the CAB's path."""
        with open(os.path.join(BUILD, 'bin', 'tapshelf.dll'), 'rb') as built:
            plugin = built.read() + b'upgrade!' * 8
        dll, cab = os.path.join(self.work, 'tapshelf.dll'), os.path.join(self.work, 'upgrade.cab')
        with open(dll, 'wb') as out:
            out.write(plugin)
        subprocess.run([sys.executable, os.path.join(SOURCE, 'scripts', 'make-cab.py'), '--dll', dll, '--setup-dll',
                        os.path.join(BUILD, 'bin', 'tapshelf_setup.dll'), '--registration',
                        os.path.join(SOURCE, 'resources', 'today_item.reg'), '--out', cab],
                       check=True, stdout=subprocess.DEVNULL)
        return plugin, cab

    def damaged_cabs(self):
        """The emulator's CAB cut short, with a header count and an offset beyond its end, and
        with its instruction file's sections pointing past the file's end."""
        with open(self.cab, 'rb') as good:
            data = good.read()
        damaged = {'cut.cab': data[:len(data) // 2], 'files.cab': data[:28] + b'\xff\xff' + data[30:],
                   'folder.cab': data[:36] + struct.pack('<I', len(data) + 1) + data[40:]}
        unpacked = os.path.join(self.work, 'unpacked')
        os.makedirs(unpacked)
        subprocess.run(['gcab', '-x', '-C', unpacked, self.cab], check=True)
        names = sorted(os.listdir(unpacked), key=lambda n: (n.endswith('.000'), n[-3:]), reverse=True)
        instructions = os.path.join(unpacked, names[0])
        with open(instructions, 'rb') as f:
            good_instructions = f.read()
        for name, at, value in (('offset.cab', 64, len(good_instructions) + 4), ('count.cab', 56, 0xFFFF)):
            with open(instructions, 'wb') as f:
                f.write(good_instructions[:at] + struct.pack('<I' if at >= 60 else '<H', value)
                        + good_instructions[at + (4 if at >= 60 else 2):])
            subprocess.run(['gcab', '-c', '-z', os.path.join(self.work, name)] + names, cwd=unpacked, check=True)
        for name, content in damaged.items():
            with open(os.path.join(self.work, name), 'wb') as out:
                out.write(content)
        return [os.path.join(self.work, name) for name in ('cut.cab', 'files.cab', 'folder.cab', 'offset.cab',
                                                           'count.cab')]

    def test_install_upgrade_while_shown_and_removal_while_shown_need_no_restart(self):
        # Install: the item appears, its registry is the registration file's, the package is recorded.
        run = self.install(before='probe items')
        self.assertEqual(['Date', 'Date', 'Tapshelf'], self.items(run), run.lines('install'))
        self.assertEqual(self.registration(), reg_query(ITEMS_KEY + '\\Tapshelf')[0])
        with open(self.installed, 'rb') as installed, open(self.dll, 'rb') as built:
            self.assertEqual(built.read(), installed.read())
        self.assertEqual(1, len(reg_query(PACKAGES_KEY)[1]))

        # Upgrade while the item holds the library: it is freed first, replaced, and loaded
        # again; the launch list stays.
        plugin, cab = self.upgrade_cab()
        run = self.install(cab, before='wait 300', after='tap 10 10 Tapshelf')
        events = [line for line in run.log if line.startswith(('install:', 'unload Tapshelf: library', 'item Tapshelf'))]
        self.assertIn('install: \\Windows\\tapshelf.dll written', events)
        freed, written = events.index('unload Tapshelf: library freed'), events.index(
            'install: \\Windows\\tapshelf.dll written')
        self.assertLess(freed, written, events)
        self.assertTrue(any(e.startswith('item Tapshelf: loaded') for e in events[written:]), events)
        self.assertEqual(['install: Tapshelf upgraded'], run.lines('install: Tapshelf'))
        with open(self.installed, 'rb') as installed:
            self.assertEqual(plugin, installed.read())
        self.assertEqual(['Alpha'], reg_query(TAPSHELF_KEY + '\\FileList')[1])
        self.assertEqual(['alpha'], [line.split()[-1] for line in self.launches(1)])

        # Removal while shown: the library is freed and deleted, the item and the record go,
        # the launch list stays for a later install.
        run = self.run_script('wait 300\nremove Tapshelf\nwait 300\nprobe items\n', dll=False)
        self.assertEqual(['Date'], self.items(run))
        self.assertFalse(os.path.exists(self.installed))
        self.assertEqual(['remove: Tapshelf removed'], run.lines('remove: Tapshelf'))
        self.assertEqual({}, reg_query(ITEMS_KEY + '\\Tapshelf')[0])
        self.assertEqual([], reg_query(PACKAGES_KEY)[1])
        self.assertEqual([], os.listdir(os.path.join(self.device, 'Windows', 'AppMgr')))
        self.assertEqual(['Alpha'], reg_query(TAPSHELF_KEY + '\\FileList')[1])

    def test_a_damaged_cab_is_refused_and_changes_nothing(self):
        self.install()
        with open(self.installed, 'rb') as installed:
            before = installed.read()
        script = ''.join('install %s\n' % winpath(cab) for cab in self.damaged_cabs())
        run = self.run_script(script + 'wait 300\nprobe items\n', dll=False)
        refusals = run.lines('install Z:')
        self.assertEqual(5, len(refusals), run.log)
        for line, reason in zip(refusals, ('beyond its end', 'beyond its end', 'beyond its end', 'lie beyond',
                                           'lie beyond')):
            self.assertIn('refused: ', line)
            self.assertIn(reason, line)
        self.assertEqual([], run.lines('install:') + run.lines('today: the items reloaded'))   # no setup DLL ran
        self.assertEqual(['Date', 'Tapshelf'], self.items(run))
        with open(self.installed, 'rb') as installed:
            self.assertEqual(before, installed.read())
        self.assertEqual(self.registration(), reg_query(ITEMS_KEY + '\\Tapshelf')[0])


def main():
    global BUILD
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', required=True)
    parser.add_argument('group', nargs='?')
    args, rest = parser.parse_known_args()
    BUILD = os.path.abspath(args.build)
    argv = [sys.argv[0]] + ([args.group] if args.group else []) + rest
    unittest.main(argv=argv, verbosity=2)


if __name__ == '__main__':
    main()
