#include "store/config.h"

Configuration g_Config = { NULL, 0, DefaultSettings() };
