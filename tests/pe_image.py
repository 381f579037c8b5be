"""A small reader of PE files (PE32 and PE32+): headers, imports, exports, relocations and
resources, enough for the checks of a built DLL without Wine or the tool chain's objdump.

Every read is bounds-checked: a truncated or malformed file raises PEError saying what
could not be read, never an IndexError or struct.error from deep inside."""
import struct

MACHINES = {0x014C: "i386", 0x8664: "x86_64", 0x01C0: "ARM", 0x01C2: "Thumb", 0x01C4: "ARMv7"}
SUBSYSTEMS = {2: "Windows GUI", 3: "Windows console", 9: "Windows CE GUI"}

FILE_RELOCS_STRIPPED = 0x0001
FILE_DLL = 0x2000
SECTION_CODE = 0x00000020

# Data directory slots. The certificate table's entry alone holds a file offset; every
# other one an address relative to the image base.
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_SECURITY, DIR_BASERELOC, DIR_IAT = 0, 1, 2, 4, 5, 12

# Resource types by number.
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16


class PEError(Exception):
    """The file is not a PE image this reader can make sense of."""


class Section:
    def __init__(self, name, rva, virtual_size, raw_offset, raw_size, characteristics=0):
        self.name, self.rva, self.virtual_size = name, rva, virtual_size
        self.raw_offset, self.raw_size = raw_offset, raw_size
        self.characteristics = characteristics

    @property
    def is_code(self):
        return bool(self.characteristics & SECTION_CODE)


class PEImage:
    def __init__(self, data, path="image"):
        self.data, self.path = bytes(data), path
        if self.data[:2] != b"MZ":
            raise PEError("%s: not an executable (no MZ header)" % path)
        pe = self._unpack("<I", 0x3C, "DOS header")[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise PEError("%s: no PE signature at 0x%x" % (path, pe))
        (self.machine, count, _, _, _, optional_size,
         self.characteristics) = self._unpack("<HHIIIHH", pe + 4, "file header")
        opt = pe + 24
        self.magic = self._unpack("<H", opt, "optional header")[0]
        if self.magic not in (0x10B, 0x20B):
            raise PEError("%s: unknown optional header magic 0x%x" % (path, self.magic))
        self.pe32plus = self.magic == 0x20B
        self.image_base = self._unpack("<Q" if self.pe32plus else "<I", opt + (24 if self.pe32plus else 28),
                                       "optional header")[0]
        self.image_size, self.headers_size = self._unpack("<II", opt + 56, "optional header")
        (self.subsystem_major, self.subsystem_minor, _, _, _, _,
         self.subsystem) = self._unpack("<HHIIIIH", opt + 48, "optional header")
        dirs = self.directories_offset = opt + (112 if self.pe32plus else 96)
        dir_count = min(self._unpack("<I", dirs - 4, "optional header")[0], 16)
        if dirs + 8 * dir_count > opt + optional_size:
            raise PEError("%s: %d data directories do not fit the optional header"
                          % (path, dir_count))
        self.directories = [self._unpack("<II", dirs + 8 * i, "data directories")
                            for i in range(dir_count)] + [(0, 0)] * (16 - dir_count)
        self.sections = []
        for i in range(count):
            at = opt + optional_size + 40 * i
            name = self._unpack("8s", at, "section table")[0].rstrip(b"\0").decode("latin-1")
            size, rva, raw_size, raw_offset = self._unpack("<IIII", at + 8, "section table")
            flags = self._unpack("<I", at + 36, "section table")[0]
            self.sections.append(Section(name, rva, size, raw_offset, raw_size, flags))

    @classmethod
    def from_file(cls, path):
        with open(path, "rb") as handle:
            return cls(handle.read(), path)

    @property
    def machine_name(self):
        return MACHINES.get(self.machine, "0x%04x" % self.machine)

    @property
    def is_dll(self):
        return bool(self.characteristics & FILE_DLL)

    @property
    def relocs_stripped(self):
        return bool(self.characteristics & FILE_RELOCS_STRIPPED)

    # ---- Reading by offset and by RVA
    def _unpack(self, fmt, offset, what):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PEError("%s: truncated: the %s at 0x%x is beyond the file's %d bytes"
                          % (self.path, what, offset, len(self.data)))
        return struct.unpack_from(fmt, self.data, offset)

    def offset(self, rva):
        """The file offset of an RVA, through the section table."""
        if rva < self.headers_size:
            return rva
        for s in self.sections:
            if s.rva <= rva < s.rva + max(s.virtual_size, s.raw_size):
                if rva - s.rva >= s.raw_size:
                    break
                return s.raw_offset + rva - s.rva
        raise PEError("%s: RVA 0x%x lies in no section's file data" % (self.path, rva))

    def read(self, rva, fmt, what):
        return self._unpack(fmt, self.offset(rva), what)

    def bytes_at(self, rva, size, what):
        start = self.offset(rva)
        if start + size > len(self.data):
            raise PEError("%s: truncated: %d bytes of %s at 0x%x" % (self.path, size, what, start))
        return self.data[start:start + size]

    def string(self, rva, what):
        start = self.offset(rva)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise PEError("%s: unterminated %s at 0x%x" % (self.path, what, start))
        return self.data[start:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index]

    # ---- Tables
    def imports(self):
        """[(dll, [names], [ordinals])] in the order of the import directory."""
        rva, size = self.directory(DIR_IMPORT)
        result = []
        while rva and size:
            lookup, _, _, name, thunks = self.read(rva, "<IIIII", "import descriptor")
            if not (lookup or name or thunks):
                break
            names, ordinals = [], []
            entry, width = lookup or thunks, 8 if self.pe32plus else 4
            flag = 1 << (8 * width - 1)
            while True:
                value = self.read(entry, "<Q" if self.pe32plus else "<I", "import thunk")[0]
                if not value:
                    break
                if value & flag:
                    ordinals.append(value & 0xFFFF)
                else:
                    names.append(self.string((value & 0x7FFFFFFF) + 2, "imported name"))
                entry += width
            result.append((self.string(name, "DLL name"), names, ordinals))
            rva += 20
        return result

    def exports(self):
        """({ordinal: RVA}, {name: ordinal}); both empty if there is no export table."""
        rva, size = self.directory(DIR_EXPORT)
        if not (rva and size):
            return {}, {}
        base, functions, names, addresses, name_rvas, name_ordinals = self.read(
            rva + 16, "<IIIIII", "export directory")
        ordinals = {}
        for i in range(functions):
            address = self.read(addresses + 4 * i, "<I", "export address")[0]
            if address:
                ordinals[base + i] = address
        named = {}
        for i in range(names):
            name = self.string(self.read(name_rvas + 4 * i, "<I", "export name")[0], "export name")
            named[name] = base + self.read(name_ordinals + 2 * i, "<H", "export ordinal")[0]
        return ordinals, named

    def has_relocations(self):
        """True when the base relocation directory holds at least one block."""
        rva, size = self.directory(DIR_BASERELOC)
        if not (rva and size >= 8):
            return False
        return self.read(rva, "<II", "base relocation block")[1] > 8

    def resources(self):
        """{(type, name, language): bytes}; ids are ints, or strings for named entries."""
        root, size = self.directory(DIR_RESOURCE)
        found = {}
        if not (root and size):
            return found

        def walk(offset, path):
            counts = self.read(root + offset + 12, "<HH", "resource directory")
            for i in range(counts[0] + counts[1]):
                key, target = self.read(root + offset + 16 + 8 * i, "<II", "resource entry")
                if key & 0x80000000:
                    at = root + (key & 0x7FFFFFFF)
                    length = self.read(at, "<H", "resource name")[0]
                    key = self.bytes_at(at + 2, 2 * length, "resource name").decode("utf-16-le", "replace")
                if target & 0x80000000:
                    if len(path) >= 2:
                        raise PEError("%s: resource tree deeper than type/name/language"
                                      % self.path)
                    walk(target & 0x7FFFFFFF, path + (key,))
                elif len(path) != 2:
                    raise PEError("%s: resource data above the language level" % self.path)
                else:
                    data_rva, data_size = self.read(root + target, "<II", "resource data entry")
                    found[path + (key,)] = self.bytes_at(data_rva, data_size, "resource data")
        walk(0, ())
        return found


FIXED_INFO_SIGNATURE = 0xFEEF04BD


def version_info(data, what="version resource"):
    """A version resource read: {"file": (4 numbers), "product": (4 numbers), "strings":
    {string table key: {name: text}}}. Every node's length is checked against its parent's."""
    def node(at, end):
        """(key, value bytes, value is text, children's offset, node end) of the node at."""
        if at + 6 > end:
            raise PEError("%s: a node at %d runs past its parent's end (%d)" % (what, at, end))
        length, value_length, kind = struct.unpack_from("<HHH", data, at)
        stop = at + length
        key_end = at + 6
        while key_end + 2 <= stop and data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        if length < 6 or stop > end or key_end + 2 > stop:
            raise PEError("%s: the node at %d (%d bytes) does not fit its parent's %d bytes"
                          % (what, at, length, end - at))
        key = data[at + 6:key_end].decode("utf-16-le", "replace")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * (2 if kind == 1 else 1)
        if value_at + value_size > stop:
            raise PEError("%s: %s's value runs past its node" % (what, key))
        return key, data[value_at:value_at + value_size], kind == 1, \
            (value_at + value_size + 3) & ~3, stop

    def children(at, end):
        while at < end:
            child = node(at, end)
            yield child
            at = (child[4] + 3) & ~3

    key, fixed, _, first, end = node(0, len(data))
    if key != "VS_VERSION_INFO" or len(fixed) < 52 or \
            struct.unpack_from("<I", fixed)[0] != FIXED_INFO_SIGNATURE:
        raise PEError("%s: no VS_VERSION_INFO with its fixed part" % what)
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", fixed, 8)
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)  # noqa: E731
    found = {"file": split(file_ms, file_ls), "product": split(product_ms, product_ls),
             "strings": {}}
    for block, _, _, tables, block_end in children(first, end):
        if block != "StringFileInfo":
            continue
        for table, _, _, strings, table_end in children(tables, block_end):
            texts = found["strings"].setdefault(table, {})
            for name, value, is_text, _, _ in children(strings, table_end):
                text = value.decode("utf-16-le", "replace") if is_text else value.hex()
                texts[name] = text.split("\0", 1)[0]
    return found
