// The configuration store: the appearance settings and the launch list,
// moved between the registry of the current user and PluginState.
#pragma once
#include "store/plugin_state.h"

#define SETTINGS_KEY_PATH L"Software\\Tapshelf"
#define LIST_KEY_PATH     L"Software\\Tapshelf\\FileList"

// LIST_KEY_PATH, "\" and a name of up to 255 code units, and the terminator.
#define ENTRY_KEY_PATH_CAPACITY (26 + 1 + 255 + 1)

void LoadDisplaySettings(void);
void SaveDisplaySettings(void);
void LoadLaunchList(void);
void SaveLaunchList(void);
void DeleteLaunchListKeys(void);

// Frees the launch list block and empties the list.
void FreeLaunchList(void);
