// The English texts the code sets or shows: the full-screen dialogs' captions, the list
// views' column headers and the message boxes. The controls' own texts are Japanese, in the
// dialog templates of tapshelf.rc, and their English, for devices that are not Japanese, in
// dialog_texts.cpp. Plain #defines only, as in resource.h.
#pragma once

// ---- Captions of the full-screen dialogs (their templates have none)
#define STR_OPTIONS_CAPTION     L"Tapshelf"      // IDD_OPTIONS
#define STR_EDITOR_CAPTION      L"File"          // IDD_ENTRY_EDITOR
#define STR_APPEARANCE_CAPTION  L"Options"       // IDD_APPEARANCE
#define STR_CHOOSER_CAPTION     L"Select file"   // IDD_FILE_CHOOSER

// ---- Column headers
// IDC_OPTIONS_LIST
#define STR_OPTIONS_COLUMN_NAME          L"Name"
#define STR_OPTIONS_COLUMN_FILE_PATH     L"File path"
#define STR_OPTIONS_COLUMN_COMMAND_LINE  L"Command line"
// IDC_CHOOSER_LIST, and the unit after the Size column's number of kilobytes
#define STR_CHOOSER_COLUMN_NAME  L"Name"
#define STR_CHOOSER_COLUMN_TYPE  L"Type"
#define STR_CHOOSER_COLUMN_SIZE  L"Size"
#define STR_CHOOSER_COLUMN_DATE  L"Date"
#define STR_KILOBYTES            L" KB"

// ---- Message boxes of the options dialog: text, then caption
// Delete: asked before the selected rows go.
#define STR_DELETE_QUESTION  L"Delete select item?"
#define STR_DELETE_CAPTION   L"Delete"
// Uninstall: two questions, each answered on its own, and the notice after the second.
#define STR_UNINSTALL_SETTINGS_QUESTION  L"Delete Tapshelf information?"
#define STR_UNINSTALL_TODAY_QUESTION     L"Delete today information?"
#define STR_UNINSTALL_CAPTION            L"Uninstall"
#define STR_UNINSTALL_DONE               L"Information was deleted. Please uninstall."
#define STR_UNINSTALL_DONE_CAPTION       L"Info"
// An entry name the registry cannot keep as a key of its own (wsprintf formats: each %.254s
// is a name, as much of it as passes a dialog control).
#define STR_NAME_EMPTY     L"An entry without a name cannot be saved."
#define STR_NAME_PATH      L"\"%.254s\" cannot be saved: a name cannot contain \"\\\"."
#define STR_NAME_CLASH     L"\"%.254s\" cannot be saved beside \"%.254s\": names must differ in more than letter case."
#define STR_NAME_CAPTION   L"Tapshelf"
