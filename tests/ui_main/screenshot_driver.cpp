// Fills the list of a running velmora.exe for a screenshot, the way a user would: it presses Add,
// goes to a folder in the open-file dialog and chooses every file there. Then it writes the main
// window's rectangle and item count to a file and leaves the program running.
// Usage: velmora_screenshot_driver <velmora.exe> <folder of files> <rectangle file>
#include <windows.h>

#include <cstdio>
#include <string>

#include "resource.h"

namespace {

HWND waitForDialog(const wchar_t* title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowW(L"#32770", title);
        if (window && IsWindowVisible(window)) return window;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(100);
    }
}

// The names of the files in a folder as the open-file dialog takes several: each in quotes.
std::wstring quotedNames(const std::wstring& folder) {
    std::wstring names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!names.empty()) names += L' ';
        names += L'"' + std::wstring(found.cFileName) + L'"';
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void enterFileName(HWND dialog, const std::wstring& text) {
    HWND box = GetDlgItem(dialog, 0x480);  // edt1
    if (!box) box = GetDlgItem(dialog, 0x47C);  // cmb13
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fwprintf(stderr, L"usage: velmora_screenshot_driver <velmora.exe> <folder> <rectangle file>\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const std::wstring folder = argv[2];

    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fwprintf(stderr, L"cannot start %ls\n", program.c_str());
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    HWND mainWindow = waitForDialog(L"Velmora 1.0", 30000);
    if (!mainWindow) return 1;
    PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, IDC_ADD)));
    HWND fileDialog = waitForDialog(L"Select Files", 30000);
    if (!fileDialog) return 1;
    Sleep(500);
    enterFileName(fileDialog, folder);
    Sleep(1000);
    enterFileName(fileDialog, quotedNames(folder));
    for (int i = 0; i < 100 && IsWindow(fileDialog); ++i) Sleep(100);
    Sleep(1000);

    const LRESULT count = SendMessageW(GetDlgItem(mainWindow, IDC_SOURCE_LIST), LB_GETCOUNT, 0, 0);
    RECT rect;
    GetWindowRect(mainWindow, &rect);
    FILE* out = _wfopen(argv[3], L"w");
    if (!out) return 1;
    fprintf(out, "%ld %ld %ld %ld %ld\n", static_cast<long>(rect.left), static_cast<long>(rect.top),
            static_cast<long>(rect.right - rect.left), static_cast<long>(rect.bottom - rect.top),
            static_cast<long>(count));
    fclose(out);
    return count > 0 ? 0 : 1;
}
