// The output folder: the text of its edit box and the one setting kept between runs.
#pragma once

#include <windows.h>

#include <string>

// Largest stored value read back, in bytes: 260 characters.
constexpr DWORD kMaxOutputFolderBytes = 520;

std::wstring readOutputFolder(HWND dialog);
std::wstring getSettingsKeyPath();
// False when the settings key can be neither opened nor created.
bool saveOutputFolder(const std::wstring& folder);
std::wstring loadOutputFolder();
