// The main window: its dialog procedure, initialisation, list state and close.
#pragma once

#include <windows.h>

#include <string>

extern HWND gMainWindow;
extern HICON gAppIcon;

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets up a freshly created main dialog; false asks the dispatcher to close it again.
bool onInitDialog(HWND window);
void fillPresetBox();
// Enables the source list only while it has items and shows the drop hint only while it is empty.
void updateListState();
void onClose();

// The control of a dialog, or null when the dialog has no such control: every control access
// goes through here, so one body of code serves both main window templates.
HWND findControl(HWND dialog, int controlId);

// Sends a control a message with wParam and lParam 0; -1 when the control does not exist.
LRESULT sendToControl(HWND dialog, int controlId, UINT message);
