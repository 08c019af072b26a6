#include "source_list.h"

#include <commdlg.h>

#include <cwchar>
#include <memory>
#include <new>

#include "audio_converter.h"
#include "convert_core.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

HWND sourceList() {
    return findControl(gMainWindow, IDC_SOURCE_LIST);
}

// One dropped path, as long as the shell made it.
std::wstring droppedPath(HDROP drop, UINT index) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0) return std::wstring();
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, index, &path[0], length + 1);
    path.resize(copied < length ? copied : length);
    return path;
}

}  // namespace

std::wstring getListItemText(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    if (copied <= 0) return std::wstring();
    text.resize(wcsnlen(text.c_str(), static_cast<size_t>(copied < length ? copied : length)));
    return text;
}

bool isInSourceList(const std::wstring& path) {
    HWND list = sourceList();
    if (!list) return false;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const std::wstring item = getListItemText(list, static_cast<int>(index));
        // Exact, code unit by code unit: paths differing only in case are different items.
        if (!item.empty() && item == path) return true;
    }
    return false;
}

LRESULT addSourceFile(const std::wstring& path) {
    HWND list = sourceList();
    if (!list || isInSourceList(path)) return -1;
    if (!isAcceptedSourceFile(path)) return -1;
    const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    updateListState();
    return index;
}

std::vector<std::wstring> parseOpenFileSelection(const wchar_t* buffer, size_t capacity, size_t nameOffset) {
    std::vector<std::wstring> paths;
    if (!buffer) return paths;
    const size_t firstLength = wcsnlen(buffer, capacity);
    // Empty, or not terminated inside the buffer: no answer to trust.
    if (firstLength == 0 || firstLength == capacity) return paths;

    // The dialog points nFileOffset at the name inside a single full path, and past the folder's
    // terminator when it lists several names after the folder.
    if (nameOffset <= firstLength) {
        paths.emplace_back(buffer, firstLength);
        return paths;
    }

    std::wstring folder(buffer, firstLength);
    if (folder.back() != L'\\') folder += L'\\';
    size_t position = nameOffset;
    while (position < capacity) {
        const size_t length = wcsnlen(buffer + position, capacity - position);
        if (length == 0 || position + length == capacity) break;
        paths.push_back(folder + std::wstring(buffer + position, length));
        position += length + 1;
    }
    return paths;
}

void onAddFiles() {
    const wchar_t* filter = gAudioConverter ? gAudioConverter->getFileDialogFilter() : nullptr;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[kOpenFileBufferLength]());
    if (!buffer) return;

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = gMainWindow;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.get();
    dialog.nMaxFile = static_cast<DWORD>(kOpenFileBufferLength);
    dialog.lpstrTitle = L"Select Files";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
    if (!GetOpenFileNameW(&dialog)) return;

    for (const std::wstring& path : parseOpenFileSelection(buffer.get(), kOpenFileBufferLength, dialog.nFileOffset)) {
        addSourceFile(path);
    }
}

void onRemoveSelected() {
    HWND list = sourceList();
    if (!list) return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT index = count - 1; index >= 0; --index) {
        if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0) {
            SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
        }
    }
    updateListState();
}

void onClearList() {
    HWND list = sourceList();
    if (!list) return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT index = count - 1; index >= 0; --index) {
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    }
    updateListState();
}

void onDropFiles(HDROP drop) {
    if (!drop) return;
    // The list is the batch being converted: it stays as it is until the batch is over.
    if (gConvertCore && gConvertCore->state == Running) {
        DragFinish(drop);
        return;
    }
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        const std::wstring path = droppedPath(drop, index);
        if (!path.empty()) addSourceFile(path);
    }
    DragFinish(drop);
}
