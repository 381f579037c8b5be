// The chooser's list: the folder's entries as records, the rows' texts and icons fetched
// when the list asks for them, the sort comparison and the list's notifications.
#include "chooser/chooser.h"
#include <shellapi.h>
#include "resources/texts.h"

ChooserState g_Chooser = { L"", L"", NULL, 0, -1, 0 };

void FreeFileRecords(void)
{
    if (g_Chooser.FileRecords)
        LocalFree(g_Chooser.FileRecords);
    g_Chooser.FileRecords = NULL;
    g_Chooser.FileRecordCount = 0;
}

// Copies as much of text as the list's buffer holds, always terminated.
static void CopyToListBuffer(WCHAR *buffer, int capacity, const WCHAR *text)
{
    if (!buffer || capacity <= 0)
        return;
    int length = 0;
    while (length < capacity - 1 && text[length])
        length++;
    memcpy(buffer, text, length * sizeof(WCHAR));
    buffer[length] = 0;
}

static void FillRecord(FileRecord *record, const WIN32_FIND_DATAW *found)
{
    record->isFile = (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    record->iconIndex = -1;
    CopyToListBuffer(record->name, TEXT_CAPACITY, found->cFileName);
    record->size = ((ULONGLONG)found->nFileSizeHigh << 32) | found->nFileSizeLow;
    record->lastWriteTime = found->ftLastWriteTime;
}

static LONG CountEntries(const WCHAR *pattern)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    LONG count = 1;
    while (FindNextFileW(search, &found))
        count++;
    FindClose(search);
    return count;
}

// Fills at most capacity records in enumeration order; the number filled, or -1 when the
// folder cannot be read this time.
static LONG FillRecords(const WCHAR *pattern, FileRecord *records, LONG capacity)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    LONG filled = 0;
    do
        FillRecord(&records[filled++], &found);
    while (filled < capacity && FindNextFileW(search, &found));
    FindClose(search);
    return filled;
}

BOOL ListFolder(HWND list)
{
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    FreeFileRecords();

    // CurrentFolder holds at most MAX_CHOOSER_PATH characters, so "\*" always fits.
    WCHAR pattern[TEXT_CAPACITY + 2];
    wsprintfW(pattern, L"%s\\*", g_Chooser.CurrentFolder);

    LONG count = CountEntries(pattern);
    if (count <= 0 || (DWORD)count > MAXDWORD / sizeof(FileRecord))
        return 0;
    FileRecord *records = (FileRecord *)LocalAlloc(LMEM_ZEROINIT, count * sizeof(FileRecord));
    if (!records)
        return 0;
    g_Chooser.FileRecords = records;
    // Rows only for what the second pass found: the folder may have changed since.
    LONG filled = FillRecords(pattern, records, count);
    if (filled < 0)
        return 0;
    g_Chooser.FileRecordCount = filled;

    SendMessageW(list, LVM_SETITEMCOUNT, filled, 0);
    LVITEMW row;
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    row.iSubItem = 0;
    row.pszText = LPSTR_TEXTCALLBACKW;
    row.iImage = I_IMAGECALLBACK;
    for (LONG i = 0; i < filled; i++) {
        row.iItem = i;
        row.lParam = (LPARAM)&records[i];
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&row);
    }
    return 1;
}

// ---- Row texts and icons ---------------------------------------------------------------

// The system icon of a file or of a folder as such, for entries the shell cannot look up.
static LONG GenericIconIndex(LONG isFile)
{
    SHFILEINFOW info;
    info.iIcon = 0;
    if (!SHGetFileInfo(isFile ? L"file" : L"folder",
                        isFile ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DIRECTORY, &info, sizeof(info),
                        SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        return 0;
    return info.iIcon;
}

// Looks the entry up once for what it still lacks; a failed lookup gives the generic
// icon and leaves the type empty.
static void LookUpRecord(FileRecord *record, BOOL wantIcon, BOOL wantType)
{
    UINT flags = 0;
    if (wantIcon && record->iconIndex == -1)
        flags |= SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (wantType && !record->typeName[0])
        flags |= SHGFI_TYPENAME;
    if (!flags)
        return;
    WCHAR path[2 * TEXT_CAPACITY];
    wsprintfW(path, L"%s\\%s", g_Chooser.CurrentFolder, record->name);
    SHFILEINFOW info;
    info.iIcon = -1;
    info.szTypeName[0] = 0;
    BOOL found = SHGetFileInfo(path, 0, &info, sizeof(info), flags) != 0;
    if (flags & SHGFI_SYSICONINDEX)
        record->iconIndex = found && info.iIcon >= 0 ? info.iIcon : GenericIconIndex(record->isFile);
    if ((flags & SHGFI_TYPENAME) && found)
        CopyToListBuffer(record->typeName, TEXT_CAPACITY, info.szTypeName);
}

// "<kilobytes> KB": 0 for an empty file, 1 up to 1024 bytes, else the whole kilobytes.
static void FormatSizeText(ULONGLONG size, WCHAR *text)
{
    ULONGLONG kilobytes = size == 0 ? 0 : size <= 1024 ? 1 : size / 1024;
    WCHAR digits[24];
    int count = 0;
    do {
        digits[count++] = (WCHAR)(L'0' + kilobytes % 10);
        kilobytes /= 10;
    } while (kilobytes);
    int length = 0;
    while (count)
        text[length++] = digits[--count];
    wcscpy(text + length, STR_KILOBYTES);
}

// The last-write time in the user's date and time formats: "<date> <time>".
static void FormatDateText(const FILETIME *time, WCHAR *text)
{
    SYSTEMTIME parts;
    WCHAR date[255], clock[255];
    date[0] = clock[0] = 0;
    if (FileTimeToSystemTime(time, &parts)) {
        GetDateFormatW(LOCALE_USER_DEFAULT, 0, &parts, NULL, date, 255);
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &parts, NULL, clock, 255);
    }
    wsprintfW(text, L"%s %s", date, clock);
}

static BOOL IsListedRecord(const FileRecord *record)
{
    return record && g_Chooser.FileRecords && record >= g_Chooser.FileRecords
        && record < g_Chooser.FileRecords + g_Chooser.FileRecordCount;
}

void GetRecordDisplayInfo(LVITEMW *item)
{
    FileRecord *record = (FileRecord *)item->lParam;
    if (!IsListedRecord(record))
        return;
    BOOL wantIcon = (item->mask & LVIF_IMAGE) != 0;
    BOOL wantText = (item->mask & LVIF_TEXT) != 0;
    LookUpRecord(record, wantIcon, wantText && item->iSubItem == CHOOSER_COLUMN_TYPE);
    if (wantIcon)
        item->iImage = record->iconIndex;
    if (!wantText)
        return;
    WCHAR text[2 * 255 + 2];
    switch (item->iSubItem) {
    case CHOOSER_COLUMN_NAME:
        CopyToListBuffer(item->pszText, item->cchTextMax, record->name);
        break;
    case CHOOSER_COLUMN_TYPE:
        CopyToListBuffer(item->pszText, item->cchTextMax, record->typeName);
        break;
    case CHOOSER_COLUMN_SIZE:
        if (record->isFile) {
            FormatSizeText(record->size, text);
            CopyToListBuffer(item->pszText, item->cchTextMax, text);
        }
        break;
    case CHOOSER_COLUMN_DATE:
        FormatDateText(&record->lastWriteTime, text);
        CopyToListBuffer(item->pszText, item->cchTextMax, text);
        break;
    }
}

// ---- Sorting ---------------------------------------------------------------------------

int CALLBACK CompareFileRecords(LPARAM a, LPARAM b, LPARAM p)
{
    const FileRecord *first = (const FileRecord *)a;
    const FileRecord *second = (const FileRecord *)b;
    LONG column = (p < 0 ? -p : p) - 1;
    int key = 0;
    if (first->isFile != second->isFile) {
        key = first->isFile - second->isFile;   // folders before files
    } else {
        switch (column) {
        case CHOOSER_COLUMN_NAME:
            key = lstrcmpiW(first->name, second->name);
            break;
        case CHOOSER_COLUMN_TYPE:
            key = lstrcmpiW(first->typeName, second->typeName);
            break;
        case CHOOSER_COLUMN_SIZE:
            key = first->size < second->size ? -1 : first->size > second->size ? 1 : 0;
            break;
        case CHOOSER_COLUMN_DATE:
            key = CompareFileTime(&first->lastWriteTime, &second->lastWriteTime);
            break;
        }
    }
    if (key == 0)
        return 0;
    int ascending = key < 0 ? -1 : 1;
    return p < 0 ? -ascending : ascending;
}

// The comparison reads only the records: every row's type is fetched before sorting by it.
static void FetchAllTypeNames(HWND list)
{
    WCHAR text[CONTROL_TEXT_CAPACITY];
    LVITEMW cell;
    cell.iSubItem = CHOOSER_COLUMN_TYPE;
    cell.pszText = text;
    cell.cchTextMax = CONTROL_TEXT_CAPACITY;
    LONG rows = (LONG)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LONG i = 0; i < rows; i++)
        SendMessageW(list, LVM_GETITEMTEXTW, i, (LPARAM)&cell);
}

// A tap on a column header: a new column sorts ascending, the same column again reverses.
static void OnHeaderTap(HWND list, int column)
{
    if (column < CHOOSER_COLUMN_NAME || column > CHOOSER_COLUMN_DATE)
        return;
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    if (column == CHOOSER_COLUMN_TYPE)
        FetchAllTypeNames(list);
    if (column != g_Chooser.SortColumn) {
        g_Chooser.SortColumn = column;
        g_Chooser.SortDirection = 1;
    } else {
        g_Chooser.SortDirection = g_Chooser.SortDirection < 0 ? 1 : -1;
    }
    SendMessageW(list, LVM_SORTITEMS, g_Chooser.SortDirection * (g_Chooser.SortColumn + 1),
                 (LPARAM)CompareFileRecords);
    SetCursor(NULL);
}

LRESULT OnChooserNotify(HWND dialog, NMHDR *header)
{
    switch (header->code) {
    case LVN_GETDISPINFOW:
        GetRecordDisplayInfo(&((NMLVDISPINFOW *)header)->item);
        return 1;
    case LVN_ITEMCHANGED:
        SendMessageW(dialog, UM_ITEMCHANGED, 0, 0);
        return 0;
    case LVN_KEYDOWN:
        return SendMessageW(dialog, UM_LISTKEYDOWN, 0, (LPARAM)header);
    }
    // The list is told apart by its id: the list notifies once per row it inserts or
    // deletes, and a lookup of the dialog's child by id costs more than the rest together.
    HWND parent = GetParent(header->hwndFrom);
    if (parent && GetParent(parent) == dialog && GetDlgCtrlID(parent) == IDC_CHOOSER_LIST) {
        if (header->code == HDN_ITEMCLICKW)
            OnHeaderTap(parent, ((NMHEADERW *)header)->iItem);
        return 0;
    }
    if (header->code == (UINT)NM_CLICK && parent == dialog && GetDlgCtrlID(header->hwndFrom) == IDC_CHOOSER_LIST)
        return SendMessageW(dialog, UM_LISTCLICK, 0, 0);
    return 0;
}
