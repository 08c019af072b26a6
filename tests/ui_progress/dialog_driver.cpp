#include "dialog_driver.h"

#include <map>

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

struct BoxSearch {
    std::vector<HWND> boxes;
};

// InternalGetWindowText sends no message: the thread that owns a window may be blocked (for
// instance joining this watcher), and a sent WM_GETTEXT would then never be answered.
BOOL CALLBACK collectBox(HWND window, LPARAM data) {
    wchar_t className[32] = {};
    wchar_t caption[64] = {};
    GetClassNameW(window, className, 32);
    InternalGetWindowText(window, caption, 64);
    if (lstrcmpW(className, L"#32770") == 0 && lstrcmpW(caption, L"Velmora") == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, kMessageBoxTextId)) {
        reinterpret_cast<BoxSearch*>(data)->boxes.push_back(window);
    }
    return TRUE;
}

struct DialogSearch {
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM data) {
    DialogSearch* search = reinterpret_cast<DialogSearch*>(data);
    wchar_t className[32] = {};
    wchar_t caption[128] = {};
    GetClassNameW(window, className, 32);
    GetWindowTextW(window, caption, 128);
    if (lstrcmpW(className, L"#32770") == 0 && lstrcmpW(caption, search->caption) == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::map<UINT_PTR, ThreadTicker*>& tickers() {
    static std::map<UINT_PTR, ThreadTicker*> all;
    return all;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(Policy policy) : policy_(std::move(policy)), thread_([this] { watch(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    stop_ = true;
    thread_.join();
}

void MessageBoxAnswerer::watch() {
    std::vector<HWND> done;
    while (!stop_) {
        BoxSearch search;
        EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.boxes) {
            bool seen = false;
            for (HWND old : done) seen = seen || old == box;
            if (seen) continue;
            wchar_t text[1024] = {};
            GetDlgItemTextW(box, kMessageBoxTextId, text, 1024);
            const int answer = policy_(text);
            if (answer == 0) continue;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                texts_.push_back(text);
                owners_.push_back(GetWindow(box, GW_OWNER));
            }
            done.push_back(box);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        }
        Sleep(15);
    }
}

std::vector<std::wstring> MessageBoxAnswerer::answered() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return texts_;
}

std::vector<HWND> MessageBoxAnswerer::owners() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return owners_;
}

HWND findThreadDialog(const wchar_t* caption) {
    DialogSearch search = {caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ThreadTicker::ThreadTicker(std::function<bool()> step, DWORD deadlineMs)
    : step_(std::move(step)), began_(GetTickCount()), deadlineMs_(deadlineMs) {
    timer_ = SetTimer(nullptr, 0, 20, onTick);
    id_ = timer_;
    tickers()[id_] = this;
}

ThreadTicker::~ThreadTicker() {
    if (timer_) KillTimer(nullptr, timer_);
    tickers().erase(id_);
}

void CALLBACK ThreadTicker::onTick(HWND, UINT, UINT_PTR id, DWORD) {
    auto found = tickers().find(id);
    if (found == tickers().end()) return;
    ThreadTicker* ticker = found->second;
    // A step that pumps messages itself would otherwise be entered again from inside.
    if (!ticker->timer_ || ticker->busy_) return;
    bool more = true;
    if (GetTickCount() - ticker->began_ > ticker->deadlineMs_) {
        ticker->timedOut_ = true;
        more = false;
    } else {
        ticker->busy_ = true;
        more = ticker->step_();
        ticker->busy_ = false;
    }
    if (!more) {
        KillTimer(nullptr, ticker->timer_);
        ticker->timer_ = 0;
    }
}

std::wstring controlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

bool controlVisible(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item && (GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE) != 0;
}
