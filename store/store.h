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

// TRUE when a name can name an entry's subkey: not empty (that would be the list key
// itself) and without "\\" (that would be a path of nested keys).
BOOL IsStorableEntryName(const WCHAR *name);
