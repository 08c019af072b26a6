#include "app_data.h"

#include <shlobj.h>

std::wstring roamingAppDataFolder() {
    wchar_t buffer[kPathBufferUnits] = {};
    SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_APPDATA, FALSE);
    buffer[kPathBufferUnits - 1] = L'\0';
    return buffer;
}

std::wstring tickCountText(DWORD tickCount) {
    return std::to_wstring(static_cast<long>(static_cast<int32_t>(tickCount)));
}
