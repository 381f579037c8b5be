// Resource and control ids of the library's dialogs.
#pragma once

// The file chooser
#define IDD_FILE_CHOOSER      104
#define IDC_CHOOSER_LIST      1000   // the folder's entries, four columns
#define IDC_CHOOSER_NAME      1003   // the name box
#define IDC_CHOOSER_UP        1005   // ".." : up one folder
#define IDC_CHOOSER_PATH      1014   // the path box: the current folder's ancestors
