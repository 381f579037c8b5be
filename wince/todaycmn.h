// Today screen item interface, as the Pocket PC SDK declares it.
#pragma once
#include <windows.h>

#define MAX_ITEMNAME 32

typedef enum _TODAYLISTITEMTYPE {
    tlitOwnerInfo = 0,
    tlitAppointments,
    tlitMail,
    tlitTasks,
    tlitCustom,
    tlitNil
} TODAYLISTITEMTYPE;

typedef struct _TODAYLISTITEM {
    TCHAR szName[MAX_ITEMNAME];
    TODAYLISTITEMTYPE tlit;
    DWORD dwOrder;
    DWORD cyp;
    BOOL fEnabled;
    BOOL fOptions;
    DWORD grflags;
    TCHAR szDLLPath[MAX_PATH];
    HINSTANCE hinstDLL;
    HWND hwndCustom;
    BOOL fSizeOnDraw;
    BYTE *prgbCachedData;
    DWORD cbCachedData;
} TODAYLISTITEM, *PTODAYLISTITEM;

typedef struct {
    HDC hdc;
    RECT rc;
    HWND hwnd;
} TODAYDRAWWATERMARKINFO;

// Messages an item sends to the Today window.
#define TODAYM_GETCOLOR        (WM_USER + 100)
#define TODAYM_DRAWWATERMARK   (WM_USER + 101)
#define TODAYM_TOOKSELECTION   (WM_USER + 102)

// Messages the Today window sends to an item.
#define WM_TODAYCUSTOM_CLEARCACHE          (WM_USER + 242)
#define WM_TODAYCUSTOM_QUERYREFRESHCACHE   (WM_USER + 243)
#define WM_TODAYCUSTOM_RECEIVEDSELECTION   (WM_USER + 244)
#define WM_TODAYCUSTOM_LOSTSELECTION       (WM_USER + 245)
#define WM_TODAYCUSTOM_USERNAVIGATION      (WM_USER + 246)
#define WM_TODAYCUSTOM_ACTION              (WM_USER + 247)

// The options dialog resource of a custom item library, opened with ordinal 241 as its procedure.
#define IDD_TODAY_CUSTOM            500

// Export ordinals of a custom item library.
#define ORDINAL_INITIALIZEITEM      240
#define ORDINAL_OPTIONSDIALOGPROC   241

typedef HWND (*PFNCUSTOMINITIALIZEITEM)(TODAYLISTITEM *, HWND);
typedef BOOL (CALLBACK *PFNCUSTOMOPTIONSDLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Registry key under HKEY_LOCAL_MACHINE that lists the Today items.
#define TODAY_ITEMS_KEY L"Software\\Microsoft\\Today\\Items"
