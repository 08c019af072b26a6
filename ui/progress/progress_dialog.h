// The modal dialog in which one batch of gConvertCore runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Id and period of the dialog's update timer.
constexpr UINT_PTR kProgressTimerEvent = 100;
constexpr UINT kProgressTimerPeriodMs = 100;

// What the timer creation returned; 0 when it failed. Killed with this id.
extern UINT_PTR gProgressTimerId;

INT_PTR CALLBACK progressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool initProgressDialog(HWND window);
void onProgressTimer(HWND window);
void confirmStop(HWND window);
// The engine's overwrite callback; runs on the worker thread. 1 replaces the file.
int32_t confirmOverwrite(int32_t requestCode, HWND context);

// "i / n (p%)" while running: job number, job count and overall percent, truncated.
std::wstring runningTotalText(int32_t jobIndex, int32_t jobPercent, int32_t jobCount);
// "c / n (p%)" once finished: completed jobs and their share, rounded half up.
std::wstring finishedTotalText(int32_t completed, int32_t jobCount);
