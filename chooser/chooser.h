// The file chooser: a modal browser of the device's folders that returns the full path
// of one chosen file. The dialog (file_chooser.cpp) and its list (listing.cpp).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "store/config.h"
#include "resources/resource.h"

// One entry of the listed folder. iconIndex and typeName are fetched from the shell
// the first time the list asks for them.
struct FileRecord {
    LONG isFile;                      // 1 file, 0 folder
    LONG iconIndex;                   // in the system small-icon list; -1 = not looked up yet
    WCHAR name[TEXT_CAPACITY];        // as the enumeration gives it, no path
    WCHAR typeName[TEXT_CAPACITY];    // the shell's type description; empty = not looked up yet
    ULONGLONG size;                   // bytes, all 64 bits
    FILETIME lastWriteTime;           // as enumerated, no time-zone conversion
};

// The chooser's process-wide state. Nothing here is reset between runs except the records.
struct ChooserState {
    // The folder shown: "" for the root, else "\" and components joined by "\", no
    // trailing "\". Never longer than MAX_CHOOSER_PATH.
    WCHAR CurrentFolder[TEXT_CAPACITY];
    WCHAR ChosenName[TEXT_CAPACITY];  // the name box as read by the last OK
    FileRecord *FileRecords;          // one zero-filled LocalAlloc block, or NULL
    LONG FileRecordCount;
    // The last header tap, kept for the process: a refresh (a move to another folder, or the
    // next run) sorts by name ascending without touching them, so the next tap on the header
    // tapped last reverses the direction stored here, not the name order shown.
    LONG SortColumn;                  // last column sorted by a header tap; -1 = none yet
    LONG SortDirection;               // +1 ascending, -1 descending; 0 = no tap yet
};

extern ChooserState g_Chooser;

// The longest path the chooser moves to or returns, in characters.
#define MAX_CHOOSER_PATH (TEXT_CAPACITY - 1)

// The dialog's private messages, always sent to itself.
#define UM_REFRESH      (WM_USER + 1)   // re-list CurrentFolder and rebuild the path box
#define UM_LISTCLICK    (WM_USER + 2)   // NM_CLICK from the list
#define UM_ITEMCHANGED  (WM_USER + 3)   // LVN_ITEMCHANGED from the list
#define UM_LISTKEYDOWN  (WM_USER + 4)   // LVN_KEYDOWN; lParam: the NMLVKEYDOWN

// List columns (sub-items)
#define CHOOSER_COLUMN_NAME 0
#define CHOOSER_COLUMN_TYPE 1
#define CHOOSER_COLUMN_SIZE 2
#define CHOOSER_COLUMN_DATE 3

// Runs the chooser modally. result holds TEXT_CAPACITY code units. Returns 1 when a name
// was chosen (result: CurrentFolder "\" ChosenName), 0 when cancelled, -1 when the dialog
// cannot be run; result is written only for 1.
INT_PTR RunFileChooser(HWND owner, HINSTANCE module, const WCHAR *initialName, WCHAR *result);
INT_PTR CALLBACK FileChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// "%s\%s" of folder and name into out (TEXT_CAPACITY code units). FALSE, with out
// unchanged, when the path would be longer than MAX_CHOOSER_PATH: a path is never cut.
BOOL JoinChildPath(WCHAR *out, const WCHAR *folder, const WCHAR *name);

// 1 when the child path of folder and name is an existing folder. A name holding a search
// wildcard is never a folder name.
BOOL IsFolderName(const WCHAR *folder, const WCHAR *name);

void FillPathCombo(HWND box, const WCHAR *folder);
// The path of the path box's item lastIndex into output (TEXT_CAPACITY code units);
// 0, output untouched, when an item cannot be read.
BOOL PathFromComboItems(HWND box, LONG lastIndex, WCHAR *output);

// Lists CurrentFolder into FileRecords and one callback row per record. 0 when the folder
// could not be listed (the list stays empty).
BOOL ListFolder(HWND list);
// Answers LVN_GETDISPINFOW for one row from its record.
void GetRecordDisplayInfo(LVITEMW *item);
// The sort comparison; p = direction x (column + 1).
int CALLBACK CompareFileRecords(LPARAM a, LPARAM b, LPARAM p);
// All of the chooser's WM_NOTIFY; the result is the dialog procedure's.
LRESULT OnChooserNotify(HWND dialog, NMHDR *header);
// Releases the record block; the list's rows must be gone.
void FreeFileRecords(void);
