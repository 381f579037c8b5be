#include "host/device/registry.h"
#include <vector>

DWORD ReadNumber(HKEY key, const wchar_t *name, DWORD fallback)
{
    DWORD value = 0, type = 0, size = sizeof(value);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&value, &size) == ERROR_SUCCESS && type == REG_DWORD
        && size == sizeof(value))
        return value;
    return fallback;
}

std::wstring ReadText(HKEY key, const wchar_t *name)
{
    WCHAR text[MAX_PATH + 1];
    DWORD type = 0, size = sizeof(text) - sizeof(WCHAR);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    text[size / sizeof(WCHAR)] = 0;
    return text;
}

void SetNumber(HKEY key, const wchar_t *name, DWORD value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
}

void SetText(HKEY key, const wchar_t *name, const std::wstring &value)
{
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)((value.size() + 1) * sizeof(WCHAR)));
}

std::vector<std::wstring> ReadTextList(HKEY key, const wchar_t *name)
{
    std::vector<std::wstring> texts;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, NULL, &type, NULL, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return texts;
    std::wstring all(size / sizeof(WCHAR) + 2, L'\0');
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&all[0], &size) != ERROR_SUCCESS)
        return texts;
    for (size_t start = 0; start < all.size() && all[start];) {
        size_t end = all.find(L'\0', start);
        texts.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return texts;
}

void SetTextList(HKEY key, const wchar_t *name, const std::vector<std::wstring> &texts)
{
    std::wstring all;
    for (const std::wstring &text : texts)
        all += text + L'\0';
    all += L'\0';
    RegSetValueExW(key, name, 0, REG_MULTI_SZ, (const BYTE *)all.c_str(), (DWORD)(all.size() * sizeof(WCHAR)));
}

bool ForEachSubkey(HKEY root, const wchar_t *path, const std::function<void(const wchar_t *name, HKEY key)> &visit)
{
    HKEY parent;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &parent) != ERROR_SUCCESS)
        return false;
    WCHAR name[256];
    for (DWORD i = 0;; i++) {
        DWORD length = 256;
        if (RegEnumKeyExW(parent, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        HKEY key;
        if (RegOpenKeyExW(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        visit(name, key);
        RegCloseKey(key);
    }
    RegCloseKey(parent);
    return true;
}

// ---- .reg text

struct RegValue {
    std::wstring name;
    bool number;
    DWORD dword;
    std::wstring text;
};

struct RegKey {
    HKEY root;
    std::wstring path;
    std::vector<RegValue> values;
};

static std::wstring Widen(const std::string &utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    int length = utf8.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &wide[0],
                                                        (int)wide.size());
    wide.resize(length > 0 ? (size_t)length : 0);
    return wide;
}

// A quoted string from line[*at] (at the opening quote), with \\ and \" undone.
static bool ReadQuoted(const std::wstring &line, size_t *at, std::wstring *out)
{
    if (*at >= line.size() || line[*at] != L'"')
        return false;
    out->clear();
    for (size_t i = *at + 1; i < line.size(); i++) {
        if (line[i] == L'\\' && i + 1 < line.size()) {
            *out += line[++i];
        } else if (line[i] == L'"') {
            *at = i + 1;
            return true;
        } else {
            *out += line[i];
        }
    }
    return false;
}

static bool ParseKey(const std::wstring &line, RegKey *key)
{
    if (line.size() < 3 || line.back() != L']')
        return false;
    std::wstring full = line.substr(1, line.size() - 2);
    size_t slash = full.find(L'\\');
    std::wstring root = full.substr(0, slash);
    key->path = slash == std::wstring::npos ? L"" : full.substr(slash + 1);
    if (root == L"HKEY_CURRENT_USER")
        key->root = HKEY_CURRENT_USER;
    else if (root == L"HKEY_LOCAL_MACHINE")
        key->root = HKEY_LOCAL_MACHINE;
    else
        return false;
    return true;
}

static bool ParseValue(const std::wstring &line, RegValue *value)
{
    size_t at = 0;
    if (!ReadQuoted(line, &at, &value->name) || at >= line.size() || line[at] != L'=')
        return false;
    std::wstring data = line.substr(at + 1);
    if (data.compare(0, 6, L"dword:") == 0) {
        value->number = true;
        wchar_t *end = NULL;
        value->dword = (DWORD)wcstoul(data.c_str() + 6, &end, 16);
        return end && *end == 0 && data.size() > 6;
    }
    value->number = false;
    size_t start = 0;
    return ReadQuoted(data, &start, &value->text) && start == data.size();
}

static bool Parse(const std::string &utf8Text, std::vector<RegKey> *keys)
{
    std::wstring text = Widen(utf8Text);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == L'\r' || line.back() == L' ' || line.back() == L'\t'))
            line.pop_back();
        if (line.empty() || line[0] == L';' || line.compare(0, 7, L"Windows") == 0 || line[0] == 0xFEFF)
            continue;
        if (line[0] == L'[') {
            RegKey key;
            if (!ParseKey(line, &key))
                return false;
            keys->push_back(key);
            continue;
        }
        RegValue value;
        if (keys->empty() || !ParseValue(line, &value))
            return false;
        keys->back().values.push_back(value);
    }
    return true;
}

int ApplyRegistryIfMissing(const std::string &utf8Text)
{
    std::vector<RegKey> keys;
    if (!Parse(utf8Text, &keys) || keys.empty())
        return -2;
    HKEY key;
    if (RegOpenKeyExW(keys[0].root, keys[0].path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        return -1;
    }
    int written = 0;
    for (const RegKey &entry : keys) {
        if (RegCreateKeyExW(entry.root, entry.path.c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL)
            != ERROR_SUCCESS)
            continue;
        for (const RegValue &value : entry.values) {
            if (value.number)
                SetNumber(key, value.name.c_str(), value.dword);
            else
                SetText(key, value.name.c_str(), value.text);
        }
        RegCloseKey(key);
        written++;
    }
    return written;
}
