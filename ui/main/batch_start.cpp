#include "batch_start.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "audio_converter.h"
#include "button_images.h"
#include "convert_core.h"
#include "main_dialog.h"
#include "output_folder_setting.h"
#include "progress_dialog.h"
#include "resource.h"
#include "source_list.h"
#include "transcoder.h"

namespace {

constexpr wchar_t kCaption[] = L"Velmora";
constexpr DWORD kWorkerPollMs = 50;

// True while a batch is being set up, runs in its dialog or is waited for. Messages are
// dispatched all that time; a Convert that arrives then is ignored, and a close is carried out
// only afterwards, so that the engine is never cleared or deleted under the running handler.
bool gBatchBusy = false;
bool gCloseDeferred = false;

class BusyScope {
public:
    BusyScope() : outer_(gBatchBusy) { gBatchBusy = true; }
    ~BusyScope() {
        gBatchBusy = outer_;
        if (outer_ || !gCloseDeferred) return;
        gCloseDeferred = false;
        PostMessageW(gMainWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool outer_;
};

void tell(const wchar_t* text) { MessageBoxW(gMainWindow, text, kCaption, MB_OK); }

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program's own path, however long.
std::wstring modulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

int chosenPreset() {
    if (gAudioConverter->getPresetCount() <= 1) return 0;
    const LRESULT selection = sendToControl(gMainWindow, IDC_PRESET, CB_GETCURSEL);
    return selection < 0 ? 0 : static_cast<int>(selection);
}

}  // namespace

std::wstring getTranscoderPath() {
    std::wstring path = modulePath();
    const size_t slash = path.rfind(L'\\');
    if (slash != std::wstring::npos) path.erase(slash);
    return path + L"\\" + transcoder::kCoreFolder + L"\\" + transcoder::kExecutableName;
}

bool isBatchBusy() { return gBatchBusy; }

void deferCloseUntilBatchEnds() { gCloseDeferred = true; }

void waitForEngineWorker() {
    if (!gConvertCore || gConvertCore->waitForWorker(0)) return;
    BusyScope busy;
    wchar_t title[256] = {};
    GetWindowTextW(gMainWindow, title, 256);
    SetWindowTextW(gMainWindow, L"Velmora 1.0 - waiting for the transcoder to quit");
    // Disabled, the window takes no clicks or keys but still paints while it waits.
    const BOOL wasDisabled = EnableWindow(gMainWindow, FALSE);
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    while (!gConvertCore->waitForWorker(kWorkerPollMs)) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    SetCursor(previous);
    if (!wasDisabled) EnableWindow(gMainWindow, TRUE);
    SetWindowTextW(gMainWindow, title);
}

void onConvert() {
    if (gBatchBusy) return;
    HWND list = findControl(gMainWindow, IDC_SOURCE_LIST);
    if (!list) return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) {
        tell(L"Please add source files.");
        return;
    }
    const std::wstring folder = readOutputFolder(gMainWindow);
    if (folder.empty()) {
        tell(L"Please select output folder.");
        return;
    }
    if (!isFolder(folder)) {
        tell(L"The output folder doesn't exist.");
        return;
    }
    const int preset = chosenPreset();
    const std::wstring transcoderPath = getTranscoderPath();
    if (!isFile(transcoderPath)) {
        tell(L"There isn't a core file.");
        return;
    }

    BusyScope busy;
    waitForEngineWorker();
    gConvertCore->transcoderPath = transcoderPath;
    gConvertCore->outputFolder = folder;
    gConvertCore->outputExtension = gAudioConverter->getPresetExtension(preset);
    gConvertCore->transcoderArguments = gAudioConverter->getPresetArguments(preset);
    gConvertCore->clearJobs();
    for (LRESULT i = 0; i < count; ++i) {
        const std::wstring item = getListItemText(list, static_cast<int>(i));
        if (!item.empty()) gConvertCore->addJob(item.c_str());
    }
    if (gConvertCore->jobs.empty()) return;

    DialogBoxParamW(gInstance, MAKEINTRESOURCEW(IDD_PROGRESS), gMainWindow, progressDialogProc, 0);
    // After a Stop the dialog ends while the stopped job's transcoder may still be quitting;
    // its result is known only once the worker has ended.
    waitForEngineWorker();
    selectFinishedItems();
}

void selectFinishedItems() {
    HWND list = findControl(gMainWindow, IDC_SOURCE_LIST);
    if (!list) return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count <= 0) return;
    const size_t n = std::min(static_cast<size_t>(count), gConvertCore->jobs.size());
    JobLockGuard guard(gConvertCore->jobLock);
    for (size_t i = 0; i < n; ++i) {
        const BOOL finished = gConvertCore->jobs[i]->progressPercent == 100;
        SendMessageW(list, LB_SETSEL, finished, static_cast<LPARAM>(i));
    }
}
