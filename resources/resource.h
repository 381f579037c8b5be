// Resource and control numbers: the one list that tapshelf.rc and the code both include.
// Plain #defines only: the resource compiler reads this file too.
#pragma once

// ---- Icons
#define IDI_TAPSHELF        102   // the default launcher icon (missing files show it too)

// ---- Dialogs
#define IDD_ENTRY_EDITOR    103   // one launch entry: name, file, command line
#define IDD_FILE_CHOOSER    104   // picking a file or folder of the device
#define IDD_APPEARANCE      105   // the appearance settings
#define IDD_NAME_LABEL      106   // the name label: a small white box, sized to its text when shown
#define IDD_OPTIONS         500   // the options dialog; the Today settings open it by this number
                                  // (IDD_TODAY_CUSTOM of todaycmn.h)

// ---- Controls, numbered from 1000 within each dialog (the numbers are unique within a
// dialog, not across dialogs). A dialog's block is added with the dialog.

// IDD_FILE_CHOOSER
#define IDC_CHOOSER_LIST      1000   // the folder's entries, four columns
#define IDC_CHOOSER_NAME      1003   // the name box
#define IDC_CHOOSER_UP        1005   // ".." : up one folder
#define IDC_CHOOSER_PATH      1014   // the path box: the current folder's ancestors

// IDD_OPTIONS
#define IDC_OPTIONS_LIST        1000   // the rows: name, file path, command line
#define IDC_OPTIONS_ADD         1002
#define IDC_OPTIONS_EDIT        1003
#define IDC_OPTIONS_DELETE      1004
#define IDC_OPTIONS_UP          1005
#define IDC_OPTIONS_DOWN        1006
#define IDC_OPTIONS_UNINSTALL   1007
#define IDC_OPTIONS_APPEARANCE  1008   // opens IDD_APPEARANCE
