// The "MSCE" instruction file: a 100-byte header, then the texts and the six sections it
// points to (STRINGS, DIRS, FILES, REGHIVES, REGKEYS, LINKS), all integers little-endian.
// The other sections name texts by their id in STRINGS; a list of ids ends with 0. Every
// field is copied out of the buffer at its offset (never read through a cast pointer), and
// every offset, count and length is checked against the file's size first.
#include "host/installer/instructions.h"
#include <map>
#include <string.h>

namespace {

const size_t HEADER_SIZE = 100;
enum Section { STRINGS, DIRS, FILES, REGHIVES, REGKEYS, LINKS, SECTION_COUNT };
const wchar_t *const SECTION_NAMES[SECTION_COUNT] = { L"STRINGS", L"DIRS", L"FILES", L"REGHIVES", L"REGKEYS",
                                                      L"LINKS" };

// The folders the installer's macros stand for.
const struct {
    const wchar_t *macro;
    const wchar_t *folder;
} FOLDER_MACROS[] = {
    { L"%CE1%", L"\\Program Files" },
    { L"%CE2%", L"\\Windows" },
    { L"%CE11%", L"\\Windows\\Start Menu\\Programs" },
    { L"%CE17%", L"\\Windows\\Start Menu" },
};

// REGHIVES roots by number.
const struct {
    HKEY root;
    const wchar_t *name;
} ROOTS[] = { { HKEY_CLASSES_ROOT, L"HKCR" }, { HKEY_CURRENT_USER, L"HKCU" }, { HKEY_LOCAL_MACHINE, L"HKLM" },
              { HKEY_USERS, L"HKU" } };

// REGKEYS types (the flag 0x2 keeps a value that is there).
const DWORD VALUE_KEEP_EXISTING = 0x00000002;
const DWORD VALUE_DWORD = 0x00010001;
const DWORD VALUE_STRING = 0x00000000;
const DWORD VALUE_MULTI_STRING = 0x00010000;
const DWORD VALUE_BINARY = 0x00000001;

struct Reader {
    const BYTE *data;
    size_t size;
    std::wstring *error;

    bool Fail(const std::wstring &why)
    {
        *error = why;
        return false;
    }
    bool Inside(size_t at, size_t count) const { return at <= size && count <= size - at; }
    bool Beyond(size_t at, size_t count, const std::wstring &what)
    {
        return Fail(what + L": " + std::to_wstring(count) + L" bytes at " + std::to_wstring(at)
                    + L" lie beyond the file's " + std::to_wstring(size));
    }
    bool Word(size_t at, WORD *value, const std::wstring &what)
    {
        if (!Inside(at, sizeof(*value)))
            return Beyond(at, sizeof(*value), what);
        memcpy(value, data + at, sizeof(*value));
        return true;
    }
    bool Dword(size_t at, DWORD *value, const std::wstring &what)
    {
        if (!Inside(at, sizeof(*value)))
            return Beyond(at, sizeof(*value), what);
        memcpy(value, data + at, sizeof(*value));
        return true;
    }
    // A zero-terminated ASCII text of `length` bytes, the terminator included.
    bool Text(size_t at, size_t length, const std::wstring &what, std::wstring *text)
    {
        if (length == 0 || !Inside(at, length))
            return Beyond(at, length, what);
        text->clear();
        for (size_t i = 0; i + 1 < length; i++) {
            BYTE c = data[at + i];
            if (c == 0 || c >= 0x80)
                return Fail(what + L" is no ASCII text of " + std::to_wstring(length - 1) + L" characters");
            *text += (wchar_t)c;
        }
        return data[at + length - 1] == 0 || Fail(what + L" has no terminating zero");
    }
    // A list of `length` bytes of 16-bit ids, ending with 0, as the ids before the 0.
    bool Ids(size_t at, size_t length, const std::wstring &what, std::vector<WORD> *ids)
    {
        if (length < 2 || length % 2 != 0)
            return Fail(what + L": a list of " + std::to_wstring(length) + L" bytes");
        ids->clear();
        for (size_t i = 0; i < length; i += 2) {
            WORD id = 0;
            if (!Word(at + i, &id, what))
                return false;
            if ((id == 0) != (i + 2 == length))
                return Fail(what + L": a list of ids that does not end with its only 0");
            if (id)
                ids->push_back(id);
        }
        return true;
    }
};

// A name the device's file system and registry take as one part of a path.
bool IsPathPart(const std::wstring &part)
{
    return !part.empty() && part != L"." && part != L".." && part.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

struct Tables {
    std::map<WORD, std::wstring> strings;
    std::map<WORD, std::wstring> folders;
    std::map<WORD, std::pair<size_t, std::wstring>> hives;   // root's index in ROOTS, key path
};

// The texts of ids joined by "\", each of them a part of a path.
bool JoinIds(Reader &r, const Tables &tables, const std::vector<WORD> &ids, const std::wstring &what,
             std::wstring *path)
{
    path->clear();
    for (WORD id : ids) {
        auto found = tables.strings.find(id);
        if (found == tables.strings.end())
            return r.Fail(what + L" names string " + std::to_wstring(id) + L", which STRINGS does not hold");
        *path += (path->empty() ? L"" : L"\\") + found->second;
    }
    return true;
}

// A DIRS path on the device: its first part a folder macro, the others plain names.
bool DeviceFolder(Reader &r, const std::wstring &path, const std::wstring &what, std::wstring *folder)
{
    size_t slash = path.find(L'\\');
    std::wstring first = path.substr(0, slash);
    folder->clear();
    for (const auto &known : FOLDER_MACROS)
        if (_wcsicmp(first.c_str(), known.macro) == 0)
            *folder = known.folder;
    if (folder->empty())
        return r.Fail(what + L": " + path + L" does not start in a folder the installer knows");
    while (slash != std::wstring::npos) {
        size_t next = path.find(L'\\', slash + 1);
        std::wstring part = path.substr(slash + 1, next == std::wstring::npos ? next : next - slash - 1);
        if (!IsPathPart(part))
            return r.Fail(what + L": " + path + L" has a part that is no folder name");
        *folder += L"\\" + part;
        slash = next;
    }
    return true;
}

// The installer's macros in a value's text replaced by their folders.
std::wstring Substituted(std::wstring text)
{
    for (const auto &known : FOLDER_MACROS) {
        std::wstring macro = known.macro;
        for (size_t at = text.find(macro); at != std::wstring::npos; at = text.find(macro, at + 1))
            text.replace(at, macro.size(), known.folder);
    }
    return text;
}

std::string Utf16Bytes(const std::wstring &text)
{
    return std::string((const char *)text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// A REGKEYS entry's data (the bytes after its name) as the registry takes it.
bool ValueData(Reader &r, size_t at, size_t length, DWORD type, bool substitute, const std::wstring &what,
               InstallValue *value)
{
    std::wstring text;
    switch (type) {
    case VALUE_DWORD:
        value->type = REG_DWORD;
        if (length != 4)
            return r.Fail(what + L": a number of " + std::to_wstring(length) + L" bytes");
        value->data.assign((const char *)r.data + at, 4);
        return true;
    case VALUE_STRING:
        value->type = REG_SZ;
        if (!r.Text(at, length, what, &text))
            return false;
        value->data = Utf16Bytes(substitute ? Substituted(text) : text);
        return true;
    case VALUE_MULTI_STRING: {
        value->type = REG_MULTI_SZ;
        std::wstring all;
        size_t end = at + length;
        while (at < end && r.data[at] != 0) {
            size_t zero = at;
            while (zero < end && r.data[zero] != 0)
                zero++;
            if (!r.Text(at, zero - at + 1, what, &text))
                return false;
            all += (substitute ? Substituted(text) : text) + L'\0';
            at = zero + 1;
        }
        if (at + 1 != end)
            return r.Fail(what + L": a list of texts that does not end with an empty one");
        value->data = Utf16Bytes(all);
        return true;
    }
    case VALUE_BINARY:
        value->type = REG_BINARY;
        value->data.assign((const char *)r.data + at, length);
        return true;
    default:
        return r.Fail(what + L": unknown value type " + std::to_wstring(type));
    }
}

// Each entry reader takes the entry at *at and moves *at past it.

bool ReadStringEntry(Reader &r, size_t *at, const std::wstring &what, Tables *tables)
{
    WORD id = 0, length = 0;
    std::wstring text;
    if (!r.Word(*at, &id, what) || !r.Word(*at + 2, &length, what) || !r.Text(*at + 4, length, what, &text))
        return false;
    if (id == 0 || !tables->strings.emplace(id, text).second)
        return r.Fail(what + L": id " + std::to_wstring(id) + L" is 0 or given twice");
    *at += 4 + length;
    return true;
}

bool ReadFolderEntry(Reader &r, size_t *at, const std::wstring &what, Tables *tables)
{
    WORD id = 0, length = 0;
    std::vector<WORD> ids;
    std::wstring text;
    if (!r.Word(*at, &id, what) || !r.Word(*at + 2, &length, what) || !r.Ids(*at + 4, length, what, &ids)
        || !JoinIds(r, *tables, ids, what, &text) || !DeviceFolder(r, text, what, &text))
        return false;
    if (!tables->folders.emplace(id, text).second)
        return r.Fail(what + L": id " + std::to_wstring(id) + L" given twice");
    *at += 4 + length;
    return true;
}

bool ReadFileEntry(Reader &r, size_t *at, const std::wstring &what, const Tables &tables, Instructions *out)
{
    WORD folderId = 0, unused = 0, length = 0;
    InstallFile file;
    if (!r.Word(*at, &file.number, what) || !r.Word(*at + 2, &folderId, what) || !r.Word(*at + 4, &unused, what)
        || !r.Dword(*at + 6, &file.flags, what) || !r.Word(*at + 10, &length, what)
        || !r.Text(*at + 12, length, what, &file.name))
        return false;
    auto folder = tables.folders.find(folderId);
    if (folder == tables.folders.end())
        return r.Fail(what + L" names folder " + std::to_wstring(folderId) + L", which DIRS does not hold");
    if (!IsPathPart(file.name))
        return r.Fail(what + L": " + file.name + L" is no file name");
    file.folder = folder->second;
    out->files.push_back(file);
    *at += 12 + length;
    return true;
}

bool ReadHiveEntry(Reader &r, size_t *at, const std::wstring &what, Tables *tables)
{
    WORD id = 0, root = 0, length = 0;
    std::vector<WORD> ids;
    std::wstring text;
    if (!r.Word(*at, &id, what) || !r.Word(*at + 2, &root, what) || !r.Word(*at + 6, &length, what)
        || !r.Ids(*at + 8, length, what, &ids) || !JoinIds(r, *tables, ids, what, &text))
        return false;
    if (root < 1 || root > sizeof(ROOTS) / sizeof(ROOTS[0]))
        return r.Fail(what + L": unknown root " + std::to_wstring(root));
    for (size_t start = 0, end; start <= text.size(); start = end + 1) {
        end = text.find(L'\\', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (!IsPathPart(text.substr(start, end - start)))
            return r.Fail(what + L": " + text + L" has a part that is no key name");
    }
    if (!tables->hives.emplace(id, std::make_pair((size_t)root - 1, text)).second)
        return r.Fail(what + L": id " + std::to_wstring(id) + L" given twice");
    *at += 8 + length;
    return true;
}

bool ReadValueEntry(Reader &r, size_t *at, const std::wstring &what, const Tables &tables, Instructions *out)
{
    WORD hiveId = 0, substitute = 0, length = 0;
    DWORD flags = 0;
    if (!r.Word(*at + 2, &hiveId, what) || !r.Word(*at + 4, &substitute, what) || !r.Dword(*at + 6, &flags, what)
        || !r.Word(*at + 10, &length, what))
        return false;
    size_t data = *at + 12;
    if (!r.Inside(data, length))
        return r.Beyond(data, length, what);
    auto hive = tables.hives.find(hiveId);
    if (hive == tables.hives.end())
        return r.Fail(what + L" names hive " + std::to_wstring(hiveId) + L", which REGHIVES does not hold");
    const BYTE *zero = (const BYTE *)memchr(r.data + data, 0, length);
    if (!zero)
        return r.Fail(what + L": its name has no terminating zero");
    size_t nameLength = (size_t)(zero - (r.data + data)) + 1;
    InstallValue value;
    value.root = ROOTS[hive->second.first].root;
    value.rootName = ROOTS[hive->second.first].name;
    value.key = hive->second.second;
    value.keepExisting = (flags & VALUE_KEEP_EXISTING) != 0;
    if (!r.Text(data, nameLength, what, &value.name)
        || !ValueData(r, data + nameLength, length - nameLength, flags & ~VALUE_KEEP_EXISTING, substitute != 0, what,
                      &value))
        return false;
    out->values.push_back(value);
    *at += 12 + length;
    return true;
}

bool ReadEntry(Reader &r, Section section, size_t *at, const std::wstring &what, Tables *tables,
               Instructions *out)
{
    switch (section) {
    case STRINGS:
        return ReadStringEntry(r, at, what, tables);
    case DIRS:
        return ReadFolderEntry(r, at, what, tables);
    case FILES:
        return ReadFileEntry(r, at, what, *tables, out);
    case REGHIVES:
        return ReadHiveEntry(r, at, what, tables);
    case REGKEYS:
        return ReadValueEntry(r, at, what, *tables, out);
    default:
        return r.Fail(L"the CAB makes shortcuts (LINKS), which this installer does not");
    }
}

}  // namespace

HKEY RegistryRootNamed(const std::wstring &name)
{
    for (const auto &known : ROOTS)
        if (name == known.name)
            return known.root;
    return NULL;
}

bool ReadInstructions(const BYTE *data, size_t size, Instructions *out, std::wstring *error)
{
    Reader r = { data, size, error };
    *out = Instructions();
    DWORD length = 0;
    if (!r.Inside(0, HEADER_SIZE) || memcmp(data, "MSCE", 4) != 0)
        return r.Fail(L"no instruction file: it does not start with an MSCE header");
    if (!r.Dword(8, &length, L"header") || length != size)
        return r.Fail(L"the header gives " + std::to_wstring(length) + L" bytes for a file of " + std::to_wstring(size));
    DWORD *versions[] = { &out->minMajor, &out->minMinor, &out->maxMajor, &out->maxMinor, &out->minBuild,
                          &out->maxBuild };
    r.Dword(20, &out->processor, L"header");
    for (size_t i = 0; i < 6; i++)
        r.Dword(24 + 4 * i, versions[i], L"header");
    WORD counts[SECTION_COUNT] = {}, places[6] = {};
    DWORD offsets[SECTION_COUNT] = {};
    for (size_t i = 0; i < SECTION_COUNT; i++) {
        r.Word(48 + 2 * i, &counts[i], L"header");
        r.Dword(60 + 4 * i, &offsets[i], L"header");
    }
    for (size_t i = 0; i < 6; i++)
        r.Word(84 + 2 * i, &places[i], L"header");
    if (!r.Text(places[0], places[1], L"the application's name", &out->application)
        || !r.Text(places[2], places[3], L"the provider's name", &out->provider))
        return false;
    // The installer names the package's record and files after them.
    if (!IsPathPart(out->application) || !(out->provider.empty() || IsPathPart(out->provider)))
        return r.Fail(L"the application's or the provider's name is no name a file can have");
    if (places[5] && !r.Inside(places[4], places[5]))
        return r.Beyond(places[4], places[5], L"UNSUPPORTED");
    for (size_t at = places[4], end = (size_t)places[4] + places[5]; places[5] && at < end;) {
        size_t zero = at;
        while (zero < end && zero < size && data[zero] != 0)
            zero++;
        std::wstring platform;
        if (zero == end)
            return r.Fail(L"UNSUPPORTED: a text runs past its end");
        if (!r.Text(at, zero - at + 1, L"UNSUPPORTED", &platform))
            return false;
        if (platform.empty())
            break;
        out->unsupported.push_back(platform);
        at = zero + 1;
    }
    Tables tables;
    for (size_t section = 0; section < SECTION_COUNT; section++) {
        size_t at = offsets[section];
        for (WORD entry = 0; entry < counts[section]; entry++) {
            std::wstring what = std::wstring(SECTION_NAMES[section]) + L" entry " + std::to_wstring(entry + 1);
            if (!ReadEntry(r, (Section)section, &at, what, &tables, out))
                return false;
        }
    }
    return true;
}
