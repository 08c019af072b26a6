#include "progress_dialog.h"

#include <commctrl.h>

#include <cwchar>

#include "convert_core.h"
#include "resource.h"

UINT_PTR gProgressTimerId = 0;

namespace {

constexpr wchar_t kCaption[] = L"Velmora";
constexpr size_t kTotalTextUnits = 256;

HWND control(HWND window, int id) {
    HWND item = GetDlgItem(window, id);
    return IsWindow(item) ? item : nullptr;
}

void showControl(HWND window, int id, int show) {
    if (HWND item = control(window, id)) ShowWindow(item, show);
}

void setControlText(HWND window, int id, const std::wstring& text) {
    if (HWND item = control(window, id)) SetWindowTextW(item, text.c_str());
}

// What the labels of which dialog were last given. Ten updates a second mostly repeat the
// same texts, and setting a label (a repaint) is most of an update's cost.
struct ShownTexts {
    HWND window = nullptr;
    std::wstring total;
    std::wstring file;
};
ShownTexts gShown;

void showLabel(HWND window, int id, const std::wstring& text, std::wstring& shown) {
    if (text == shown) return;
    setControlText(window, id, text);
    shown = text;
}

std::wstring totalText(long first, long second, long percent) {
    wchar_t text[kTotalTextUnits];
    std::swprintf(text, kTotalTextUnits, L"%ld / %ld (%ld%%)", first, second, percent);
    return text;
}

}  // namespace

std::wstring runningTotalText(int32_t jobIndex, int32_t jobPercent, int32_t jobCount) {
    if (jobCount <= 0) return std::wstring();
    const int64_t overall = static_cast<int64_t>(jobIndex) * 100 + jobPercent;
    return totalText(jobIndex + 1, jobCount, static_cast<long>(overall / jobCount));
}

std::wstring finishedTotalText(int32_t completed, int32_t jobCount) {
    if (jobCount <= 0) return std::wstring();
    const double share = static_cast<double>(completed) * 100.0 / static_cast<double>(jobCount) + 0.5;
    return totalText(completed, jobCount, static_cast<long>(share));
}

bool initProgressDialog(HWND window) {
    gConvertCore->overwriteCallback = confirmOverwrite;
    gConvertCore->callbackContext = window;
    if (!gConvertCore->start()) return false;

    showControl(window, IDC_STOP, SW_SHOW);
    showControl(window, IDC_CLOSE, SW_HIDE);
    gShown = ShownTexts{window, std::wstring(), std::wstring()};
    gProgressTimerId = SetTimer(window, kProgressTimerEvent, kProgressTimerPeriodMs, nullptr);
    onProgressTimer(window);
    return true;
}

void onProgressTimer(HWND window) {
    std::wstring total;
    std::wstring file;
    int barMaximum = 0;
    int barPosition = 0;

    const int32_t jobCount = static_cast<int32_t>(gConvertCore->jobs.size());
    const EngineState state = gConvertCore->state.load();
    if (state == Running) {
        ConvertJob job;
        if (gConvertCore->getCurrentJob(job)) {
            barMaximum = jobCount * 100;
            barPosition = job.index * 100 + job.progressPercent;
            file = job.sourcePath;
            total = runningTotalText(job.index, job.progressPercent, jobCount);
        }
    } else if (state == Finished) {
        file = L"Complete";
        total = finishedTotalText(gConvertCore->countCompleted(), jobCount);
        showControl(window, IDC_PROGRESS_BAR, SW_HIDE);
        KillTimer(window, gProgressTimerId);
    }

    if (gShown.window != window) gShown = ShownTexts{window, std::wstring(), std::wstring()};
    if (!total.empty()) showLabel(window, IDC_PROGRESS_TOTAL, total, gShown.total);
    if (!file.empty()) showLabel(window, IDC_PROGRESS_FILE, file, gShown.file);
    if (HWND bar = control(window, IDC_PROGRESS_BAR)) {
        // PBM_SETRANGE32 takes the full range: n x 100 exceeds 16 bits from 656 jobs on.
        SendMessageW(bar, PBM_SETRANGE32, 0, barMaximum);
        SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(barPosition), 0);
    }

    if (gConvertCore->state.load() != Running) {
        showControl(window, IDC_STOP, SW_HIDE);
        showControl(window, IDC_CLOSE, SW_SHOW);
        if (gConvertCore->state.load() != Finished) {
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
        }
    }
}

void confirmStop(HWND window) {
    const int answer = MessageBoxW(window, L"Are you sure you want to stop the conversion?", kCaption, MB_YESNO);
    if (answer != IDYES) return;
    gConvertCore->requestStop();
    // Without a timer no tick would ever look at the state again: look once now, so that
    // Stop always leads to the dialog's end or to its finished view.
    if (gProgressTimerId == 0) onProgressTimer(window);
}

int32_t confirmOverwrite(int32_t requestCode, HWND context) {
    if (requestCode != kOverwriteRequest) return 0;
    ConvertJob job;
    gConvertCore->getCurrentJob(job);
    const std::wstring text = L"'" + job.outputPath + L"' already exists.\nDo you want to replace it?";
    return MessageBoxW(context, text.c_str(), kCaption, MB_YESNO) == IDYES ? 1 : 0;
}

INT_PTR CALLBACK progressDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            if (!initProgressDialog(window)) EndDialog(window, 2);
            return TRUE;
        case WM_TIMER:
            onProgressTimer(window);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_STOP:
                    confirmStop(window);
                    return TRUE;
                case IDC_CLOSE:
                    EndDialog(window, 1);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            return TRUE;
        default:
            return FALSE;
    }
}
