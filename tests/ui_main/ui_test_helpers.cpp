#include "ui_test_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "main_dialog.h"
#include "button_images.h"
#include "app_entry.h"
#include "convert_core.h"
#include "output_folder_setting.h"
#include "resource.h"
#include "source_list.h"


void deleteSettingsKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, getSettingsKeyPath().c_str());
}

bool settingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, getSettingsKeyPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

RawValue readRawOutputFolderValue() {
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, getSettingsKeyPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, L"out_dir", nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        RegQueryValueExW(key, L"out_dir", nullptr, &value.type, value.bytes.data(), &size);
        value.bytes.resize(size);
        value.exists = true;
    }
    RegCloseKey(key);
    return value;
}

void writeRawOutputFolderValue(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, getSettingsKeyPath().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    // NtSetValueKey stores exactly the bytes given; RegSetValueExW would add a terminator to some strings.
    using SetValue = LONG(WINAPI*)(HANDLE, void*, ULONG, ULONG, const void*, ULONG);
    struct CountedName {
        USHORT length;
        USHORT maximumLength;
        const wchar_t* buffer;
    };
    static const wchar_t kName[] = L"out_dir";
    CountedName name = {static_cast<USHORT>(sizeof(kName) - sizeof(wchar_t)), static_cast<USHORT>(sizeof(kName)),
                        kName};
    auto setValue = reinterpret_cast<SetValue>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    ASSERT_NE(setValue, nullptr);
    EXPECT_EQ(setValue(key, &name, 0, type, data, size), 0);
    RegCloseKey(key);
}

std::vector<uint8_t> bytesOf(const std::wstring& text, bool withTerminator) {
    const size_t count = (text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t);
    std::vector<uint8_t> bytes(count);
    if (count) std::memcpy(bytes.data(), text.c_str(), count);
    return bytes;
}

HDROP makeDrop(const std::vector<std::wstring>& paths) {
    size_t units = 1;  // the final NUL
    for (const std::wstring& path : paths) units += path.size() + 1;
    const size_t size = sizeof(DROPFILES) + units * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
    for (const std::wstring& path : paths) {
        std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        text += path.size() + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

HWND openMainWindow(int templateId) {
    gMainWindow = nullptr;
    HWND window = CreateDialogParamW(gInstance, MAKEINTRESOURCEW(templateId), nullptr, mainDialogProc, 0);
    pumpMessages(20);
    return window;
}

void closeMainWindow(HWND window) {
    if (!IsWindow(window)) return;
    if (gConvertCore) SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    DestroyWindow(window);
    gMainWindow = nullptr;
    pumpMessages(10);
}

std::vector<std::wstring> listItems(HWND window) {
    std::vector<std::wstring> items;
    HWND list = GetDlgItem(window, IDC_SOURCE_LIST);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) items.push_back(getListItemText(list, static_cast<int>(index)));
    return items;
}

bool isShown(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

namespace {

struct ModalRun {
    const std::vector<std::function<void(HWND)>>* steps = nullptr;
    size_t next = 0;
    bool timedOut = false;
};
ModalRun gModalRun;

void CALLBACK onStepTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    // The dialog manager shows the window only once its queue has first run empty; a tick due
    // already may come before that.
    if (!gMainWindow || !IsWindowVisible(gMainWindow)) return;
    if (gModalRun.next < gModalRun.steps->size()) {
        const size_t step = gModalRun.next++;
        (*gModalRun.steps)[step](gMainWindow);
        return;
    }
    KillTimer(nullptr, timer);
}

void CALLBACK onTimeOut(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!gMainWindow || !IsWindow(gMainWindow)) return;
    gModalRun.timedOut = true;
    PostMessageW(gMainWindow, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

INT_PTR runMainWindowModally(const std::vector<std::function<void(HWND)>>& steps) {
    gMainWindow = nullptr;
    gModalRun = ModalRun();
    gModalRun.steps = &steps;
    const UINT_PTR stepTimer = SetTimer(nullptr, 0, 100, onStepTimer);
    const UINT_PTR timeOut = SetTimer(nullptr, 0, 20000, onTimeOut);
    const INT_PTR result =
        DialogBoxParamW(gInstance, MAKEINTRESOURCEW(chooseMainTemplate()), nullptr, mainDialogProc, 0);
    KillTimer(nullptr, stepTimer);
    KillTimer(nullptr, timeOut);
    EXPECT_FALSE(gModalRun.timedOut) << "the main window did not close by itself";
    EXPECT_EQ(gModalRun.next, steps.size()) << "not every step ran";
    gMainWindow = nullptr;
    return result;
}

PixelCanvas::PixelCanvas(int width, int height)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)), bitmap_(nullptr), previous_(nullptr),
      bits_(nullptr) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void PixelCanvas::fill(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, width_, height_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

COLORREF PixelCanvas::pixel(int x, int y) const {
    GdiFlush();
    const uint32_t value = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    // DIB pixels are 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}
