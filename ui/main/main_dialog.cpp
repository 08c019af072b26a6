#include "main_dialog.h"

#include <shellapi.h>

#include <cstdint>
#include <new>

#include "audio_converter.h"
#include "batch_start.h"
#include "button_images.h"
#include "convert_core.h"
#include "output_folder_commands.h"
#include "output_folder_setting.h"
#include "resource.h"
#include "source_list.h"

HWND gMainWindow = nullptr;
HICON gAppIcon = nullptr;

namespace {

const wchar_t kWindowTitle[] = L"Velmora 1.0";

// The buttons and keys the main window answers; any other id is ignored.
struct CommandRow {
    int controlId;
    void (*handler)();
};

const CommandRow kCommandTable[] = {
    {IDCANCEL, onClose},
    {IDC_CONVERT, onConvert},
    {IDC_BROWSE, onBrowse},
    {IDC_ADD, onAddFiles},
    {IDC_REMOVE, onRemoveSelected},
    {IDC_CLEAR, onClearList},
    {IDC_OPEN_FOLDER, onOpenFolder},
};

bool runCommand(int controlId) {
    for (const CommandRow& row : kCommandTable) {
        if (row.controlId != controlId) continue;
        row.handler();
        return true;
    }
    return false;
}

void setControlText(int controlId, const std::wstring& text) {
    HWND control = findControl(gMainWindow, controlId);
    if (control) SetWindowTextW(control, text.c_str());
}

// A Stop may have ended the last progress dialog while its worker still runs: the engine
// is cleared and deleted only after that worker has ended.
void releaseEngine() {
    if (!gConvertCore) return;
    waitForEngineWorker();
    gConvertCore->clear();
    delete gConvertCore;
    gConvertCore = nullptr;
}

void destroyTooltips() {
    if (!gTooltipWindow) return;
    DestroyWindow(gTooltipWindow);
    gTooltipWindow = nullptr;
}

INT_PTR dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (!onInitDialog(window)) PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    case WM_COMMAND:
        return runCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_DRAWITEM:
        if (lParam) drawButtonImage(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

HWND findControl(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return IsWindow(control) ? control : nullptr;
}

LRESULT sendToControl(HWND dialog, int controlId, UINT message) {
    HWND control = findControl(dialog, controlId);
    return control ? SendMessageW(control, message, 0, 0) : -1;
}

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may unwind into the dialog manager; the only ones possible are failed
    // allocations of texts, and the message then counts as handled.
    try {
        return dispatch(window, message, wParam, lParam);
    } catch (...) {
        return TRUE;
    }
}

bool onInitDialog(HWND window) {
    gMainWindow = window;
    gAppIcon = LoadIconW(gInstance, MAKEINTRESOURCEW(IDI_APP));
    DragAcceptFiles(gMainWindow, TRUE);
    SetWindowTextW(gMainWindow, kWindowTitle);
    SendMessageW(gMainWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gAppIcon));
    SendMessageW(gMainWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(gAppIcon));

    gConvertCore = new (std::nothrow) ConvertCore();
    const bool supportsPresets = gConvertCore && gConvertCore->supportsPresets();
    if (supportsPresets) fillPresetBox();

    setControlText(IDC_OUTPUT_FOLDER, loadOutputFolder());
    createButtonTooltips();
    updateListState();
    return supportsPresets;
}

void fillPresetBox() {
    HWND box = findControl(gMainWindow, IDC_PRESET);
    if (!box || !gAudioConverter) return;
    const int32_t count = gAudioConverter->getPresetCount();
    for (int32_t index = 0; index < count; ++index) {
        const std::wstring name = gAudioConverter->getPresetName(index);
        if (name.empty()) continue;
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageW(box, CB_SETCURSEL, 0, 0);
}

void updateListState() {
    HWND list = findControl(gMainWindow, IDC_SOURCE_LIST);
    const LRESULT count = list ? SendMessageW(list, LB_GETCOUNT, 0, 0) : -1;
    if (list) EnableWindow(list, count > 0);

    HWND hint = findControl(gMainWindow, IDC_DROP_HINT);
    if (hint) ShowWindow(hint, count == 0 ? SW_SHOW : SW_HIDE);
}

void onClose() {
    if (isBatchBusy()) {
        deferCloseUntilBatchEnds();
        return;
    }
    saveOutputFolder(readOutputFolder(gMainWindow));
    releaseEngine();
    destroyTooltips();
    EndDialog(gMainWindow, IDCANCEL);
}
