// The emulated screen: its size (Wine's virtual desktop), its density, and the bars'
// heights that follow from the density. 96 dpi is scale 1 (240x320, 320x240, 240x240),
// 192 dpi scale 2 (480x640, 640x480, 480x480, 480x800), 128 dpi (320x320) scale 4/3.
#pragma once

struct DeviceScreen {
    int width;
    int height;
    int dpi;
    int taskBarHeight;
    int menuBarHeight;
};
extern DeviceScreen g_screen;

// Reads the screen's size and density and derives the rest; again after a rotation.
void InitDeviceScreen();

// Device pixels at the screen's density: pixels at 96 dpi, scaled.
inline int Scaled(int pixels) { return (pixels * g_screen.dpi + 48) / 96; }
