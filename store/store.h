// The configuration store: the appearance settings and the launch list, moved between
// the registry of the current user and g_Config.
#pragma once
#include "store/config.h"

void LoadDisplaySettings(void);
void SaveDisplaySettings(void);
void LoadLaunchList(void);
// Writes one subkey per entry whose name can be a subkey (see IsStorableEntryName); an
// entry whose name cannot is not written rather than written where it would be lost.
void SaveLaunchList(void);
void DeleteLaunchListKeys(void);

// Frees the launch list block and empties the list.
void FreeLaunchList(void);

// The one rule for a name that can name an entry's subkey: CheckEntryName says what is wrong
// with a name, ENTRY_NAME_STORABLE when nothing is.
enum EntryNameFault {
    ENTRY_NAME_STORABLE,
    ENTRY_NAME_EMPTY,        // empty or none: that would be the list key itself
    ENTRY_NAME_HOLDS_PATH    // holds "\\": that would be a path of nested keys
};
EntryNameFault CheckEntryName(const WCHAR *name);
// TRUE when CheckEntryName finds nothing wrong with name.
BOOL IsStorableEntryName(const WCHAR *name);
