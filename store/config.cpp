#include "store/config.h"

// The settings at library load, field by field in the order of DisplaySettings: no
// background bitmap, and the numbers. The one table of defaults.
#define DEFAULT_SETTINGS {                                                                \
    L"",    /* backbmpfile */                                                             \
    0,      /* stretch_backbmp */                                                         \
    1,      /* CtrlUpDown */                                                              \
    16,     /* IconSize */                                                                \
    2,      /* HMargin */                                                                 \
    2,      /* VMargin */                                                                 \
    0,      /* WinLeftMargin */                                                           \
    0,      /* WinTopMargin */                                                            \
    13,     /* WinRightMargin */                                                          \
    5,      /* WinBottomMargin */                                                         \
    1       /* ShowIconSec */                                                             \
}

const NumericSetting kNumericSettings[NUMERIC_SETTING_COUNT] = {
    { VALUE_STRETCH_BACKBMP, &DisplaySettings::stretch_backbmp, FALSE },
    { VALUE_CTRLUPDOWN,      &DisplaySettings::CtrlUpDown,      FALSE },
    { VALUE_ICONSIZE,        &DisplaySettings::IconSize,        TRUE },
    { VALUE_HMARGIN,         &DisplaySettings::HMargin,         TRUE },
    { VALUE_VMARGIN,         &DisplaySettings::VMargin,         TRUE },
    { VALUE_WINLEFTMARGIN,   &DisplaySettings::WinLeftMargin,   TRUE },
    { VALUE_WINTOPMARGIN,    &DisplaySettings::WinTopMargin,    TRUE },
    { VALUE_WINRIGHTMARGIN,  &DisplaySettings::WinRightMargin,  TRUE },
    { VALUE_WINBOTTOMMARGIN, &DisplaySettings::WinBottomMargin, TRUE },
    { VALUE_SHOWICONSEC,     &DisplaySettings::ShowIconSec,     FALSE },
};

// Initialised from constants alone, so that the library needs no code run at load.
Configuration g_Config = { NULL, 0, DEFAULT_SETTINGS, FALSE, 0 };

DisplaySettings DefaultSettings(void)
{
    DisplaySettings settings = DEFAULT_SETTINGS;
    return settings;
}
