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

// IDD_ENTRY_EDITOR
#define IDC_EDITOR_NAME          1003
#define IDC_EDITOR_FILE_PATH     1004
#define IDC_EDITOR_COMMAND_LINE  1005
#define IDC_EDITOR_BROWSE_FILE   1012   // "..." beside the file path
#define IDC_EDITOR_BROWSE_COMMAND 1013  // "..." beside the command line

// IDD_APPEARANCE
#define IDC_APPEARANCE_STRETCH      1004   // stretch_backbmp
#define IDC_APPEARANCE_UPDOWN       1005   // CtrlUpDown
#define IDC_APPEARANCE_BITMAP       1006   // backbmpfile
#define IDC_APPEARANCE_BROWSE       1007   // "..." beside the bitmap path
#define IDC_APPEARANCE_ICON_SIZE    1013
#define IDC_APPEARANCE_HMARGIN      1014
#define IDC_APPEARANCE_VMARGIN      1015
#define IDC_APPEARANCE_TOP_MARGIN   1016
#define IDC_APPEARANCE_BOTTOM_MARGIN 1017
#define IDC_APPEARANCE_LEFT_MARGIN  1018
#define IDC_APPEARANCE_RIGHT_MARGIN 1019
