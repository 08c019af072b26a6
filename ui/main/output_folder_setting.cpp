#include "output_folder_setting.h"

#include <cwchar>
#include <vector>

#include "audio_converter.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

const wchar_t kValueName[] = L"out_dir";

HKEY openOrCreateKey(REGSAM openAccess) {
    const std::wstring path = getSettingsKeyPath();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, openAccess, &key) == ERROR_SUCCESS) return key;
    key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        return key;
    }
    return nullptr;
}

std::wstring readFolderValue(HKEY key) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, kValueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::wstring();
    if (type != REG_SZ || size > kMaxOutputFolderBytes) return std::wstring();

    // Room for an odd byte count and a terminator the value may lack.
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD read = size;
    if (RegQueryValueExW(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &read) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::wstring();
    }
    const size_t characters = read / sizeof(wchar_t);
    return std::wstring(data.data(), wcsnlen(data.data(), characters));
}

}  // namespace

std::wstring readOutputFolder(HWND dialog) {
    HWND box = findControl(dialog, IDC_OUTPUT_FOLDER);
    if (!box) return std::wstring();
    const int length = GetWindowTextLengthW(box);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(box, &text[0], length + 1);
    text.resize(wcsnlen(text.c_str(), static_cast<size_t>(length)));
    return text;
}

std::wstring getSettingsKeyPath() {
    const wchar_t* extension = gAudioConverter ? gAudioConverter->getPresetExtension(0) : L"";
    return std::wstring(L"Software\\Orvanta\\") + extension;
}

bool saveOutputFolder(const std::wstring& folder) {
    HKEY key = openOrCreateKey(KEY_READ | KEY_WRITE);
    if (!key) return false;
    // The registry adds a terminator to a string whose count leaves one out if a NUL follows
    // the counted data, so the data passed on is followed by a non-NUL unit: the value holds
    // exactly the folder's characters.
    std::wstring data = folder;
    data.push_back(L'\x1');
    const DWORD bytes = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
    RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    RegCloseKey(key);
    return true;
}

std::wstring loadOutputFolder() {
    HKEY key = openOrCreateKey(KEY_READ);
    if (!key) return std::wstring();
    std::wstring folder = readFolderValue(key);
    RegCloseKey(key);
    return folder;
}
