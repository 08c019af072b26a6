// Process start-up and shutdown around the main window.
#pragma once

#include <windows.h>

extern ULONG_PTR gGdiplusToken;

// Starts GDI+ and the common controls and creates the converter profile. Always true.
bool initApplication();
void exitApplication();

// IDD_MAIN when the profile offers a choice of presets, IDD_MAIN_SIMPLE otherwise.
int chooseMainTemplate();

// The whole life of the program: start-up, the modal main window, shutdown. Returns 0.
int runApplication(HINSTANCE instance);
