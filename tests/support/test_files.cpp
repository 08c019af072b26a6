#include "test_files.h"

#include <windows.h>

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), units, &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int bytes = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, &result[0], size);
    return result;
}

std::wstring extendedLengthPath(const std::wstring& path) {
    // 248 is where CreateDirectoryW already gives up (room for an 8.3 name is kept).
    const bool drivePath = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    if (!drivePath || path.size() < 248) return path;
    std::wstring result = L"\\\\?\\" + path;
    for (wchar_t& unit : result) {
        if (unit == L'/') unit = L'\\';
    }
    return result;
}

std::string readFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(extendedLengthPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(extendedLengthPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
