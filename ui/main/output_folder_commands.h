// The output folder row's buttons: pick a folder with the shell's browser, or open it.
#pragma once

#include <windows.h>

#include <string>

// The chosen folder's path, or empty when the user cancels.
std::wstring browseForFolder(const std::wstring& startFolder, HWND owner);
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM parameter, LPARAM data);
void onBrowse();
void onOpenFolder();
