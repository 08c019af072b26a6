// Where the engine keeps its temporary files: the user's roaming application-data folder.
#pragma once

#include <windows.h>

#include <string>

// Fixed path buffers hold this many UTF-16 units, the terminator included.
constexpr size_t kPathBufferUnits = MAX_PATH;

// The roaming application-data folder, or an empty text when the shell does not know it.
std::wstring roamingAppDataFolder();

// True when a path of this length fits a fixed path buffer with its terminator.
inline bool fitsPathBuffer(const std::wstring& path) { return path.size() < kPathBufferUnits; }

// The tick count as the signed decimal number used in temporary file names.
std::wstring tickCountText(DWORD tickCount);
