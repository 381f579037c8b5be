// The emulated screen. 240x320 and 320x240 are scale 1, 480x640 scale 2.
#pragma once

struct DeviceScreen {
    int width;
    int height;
    int scale;
    int taskBarHeight;
    int menuBarHeight;
};
extern DeviceScreen g_screen;

// Reads the screen's size (Wine's virtual desktop) and derives the rest.
void InitDeviceScreen();

// Device pixels at the screen's scale.
inline int Scaled(int pixels) { return pixels * g_screen.scale; }
