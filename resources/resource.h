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

// ---- Controls, one block per dialog (ids are unique within a dialog; the blocks keep
// them apart across dialogs as well). A dialog's block is added with the dialog.
//   IDD_OPTIONS        1000 .. 1099
//   IDD_ENTRY_EDITOR   1100 .. 1199
//   IDD_FILE_CHOOSER   1200 .. 1299
//   IDD_APPEARANCE     1300 .. 1399
