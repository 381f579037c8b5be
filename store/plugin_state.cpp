#include "store/plugin_state.h"

PluginState g_State = {
    NULL, 0,
    { L"", 0, 1, 16, 2, 2, 0, 0, 13, 5, 1 },
    NULL, 0, NULL, NULL,
    -1, 0,
    NULL, L"",
};
