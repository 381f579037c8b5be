// The configuration store: the appearance settings and the launch list, moved between
// the registry of the current user and g_Config.
#pragma once
#include "store/config.h"

void LoadDisplaySettings(void);
void SaveDisplaySettings(void);
void LoadLaunchList(void);
void SaveLaunchList(void);
void DeleteLaunchListKeys(void);

// Frees the launch list block and empties the list.
void FreeLaunchList(void);
