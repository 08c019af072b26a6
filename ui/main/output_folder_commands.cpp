#include "output_folder_commands.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include "main_dialog.h"
#include "output_folder_setting.h"
#include "resource.h"

namespace {

// Shared with browseCallback: the folder the browser starts in, then the one chosen.
wchar_t gBrowseFolder[MAX_PATH];

}  // namespace

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(gBrowseFolder));
    }
    return 0;
}

std::wstring browseForFolder(const std::wstring& startFolder, HWND owner) {
    gBrowseFolder[0] = L'\0';
    // A start folder longer than the buffer cannot be selected; the browser then starts at
    // its root rather than at a cut-off path.
    if (!startFolder.empty() && startFolder.size() < MAX_PATH) lstrcpynW(gBrowseFolder, startFolder.c_str(), MAX_PATH);

    // The new dialog style needs OLE on this thread.
    const HRESULT ole = OleInitialize(nullptr);
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = L"Select a folder";
    browse.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    browse.lpfn = browseCallback;
    browse.lParam = 0;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);

    std::wstring folder;
    if (chosen) {
        gBrowseFolder[0] = L'\0';
        if (SHGetPathFromIDListW(chosen, gBrowseFolder)) folder = gBrowseFolder;
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    return folder;
}

void onBrowse() {
    const std::wstring chosen = browseForFolder(readOutputFolder(gMainWindow), gMainWindow);
    if (chosen.empty()) return;
    if (HWND box = findControl(gMainWindow, IDC_OUTPUT_FOLDER)) SetWindowTextW(box, chosen.c_str());
}

void onOpenFolder() {
    const std::wstring folder = readOutputFolder(gMainWindow);
    if (folder.empty()) return;
    ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOW);
}
