#include "test_tree.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "test_files.h"

namespace {

std::atomic<unsigned> gTreeCounter{0};

[[noreturn]] void fail(const std::string& what, const std::wstring& path) {
    throw std::runtime_error(what + " failed (error " + std::to_string(GetLastError()) + "): " + toUtf8(path));
}

// The temp folder in its long form (it may come as 8.3 names), without the trailing backslash.
std::wstring tempFolder() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length >= buffer.size()) fail("GetTempPathW", L"");
    std::wstring folder(buffer.data(), length);
    const DWORD longLength = GetLongPathNameW(folder.c_str(), nullptr, 0);
    if (longLength > 0) {
        std::vector<wchar_t> longForm(longLength);
        if (GetLongPathNameW(folder.c_str(), longForm.data(), longLength) < longLength) folder = longForm.data();
    }
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::wstring newRoot(const std::wstring& name) {
    std::wstring cleanName = name;
    for (wchar_t& unit : cleanName) {
        if (wcschr(L"<>:\"/\\|?*", unit) || unit < L' ') unit = L'_';
    }
    return tempFolder() + L"\\velmora-" + cleanName + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++gTreeCounter);
}

// Removes `path` and everything below it as far as it can; links are removed, not followed.
void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            const DWORD attributes = found.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                removeTree(child);
                continue;
            }
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryW(child.c_str());
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

void createFolder(const std::wstring& path) {
    if (CreateDirectoryW(extendedLengthPath(path).c_str(), nullptr)) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) return;
    fail("CreateDirectoryW", path);
}

}  // namespace

TestTree::TestTree(const std::wstring& name)
    : root(newRoot(name)), inDir(root + L"\\in"), outDir(root + L"\\out"), coreDir(root + L"\\core") {
    // A folder of the same name can only be left over from an earlier run that had this process id.
    removeTree(L"\\\\?\\" + root);
    createFolder(root);
    createFolder(inDir);
    createFolder(outDir);
    createFolder(coreDir);
}

TestTree::~TestTree() { removeTree(L"\\\\?\\" + root); }

std::wstring TestTree::installTranscoder(const std::wstring& exePath) const {
    const std::wstring target = coreDir + L"\\kalder.exe";
    if (!CopyFileW(exePath.c_str(), target.c_str(), FALSE)) fail("CopyFileW", exePath);
    return target;
}

std::wstring TestTree::writeFile(const std::wstring& relativePath, const std::string& bytes) const {
    std::wstring path = root + L"\\" + relativePath;
    for (wchar_t& unit : path) {
        if (unit == L'/') unit = L'\\';
    }
    for (size_t slash = path.find(L'\\', root.size() + 1); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1)) {
        createFolder(path.substr(0, slash));
    }
    HANDLE file = CreateFileW(extendedLengthPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) fail("CreateFileW", path);
    DWORD written = 0;
    const bool ok = bytes.size() <= MAXDWORD &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    if (!ok) fail("WriteFile", path);
    return path;
}
