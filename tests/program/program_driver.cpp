#include "program_driver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include "resource.h"
#include "test_files.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kSendTimeoutMs = 10000;
const wchar_t kDialogClass[] = L"#32770";
const wchar_t kMainCaption[] = L"Velmora 1.0";
const wchar_t kBoxCaption[] = L"Velmora";
const wchar_t kFileDialogCaption[] = L"Select Files";

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct DialogSearch {
    DWORD processId;
    std::function<bool(HWND)> matches;
    HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM data) {
    DialogSearch* search = reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || className(window) != kDialogClass) return TRUE;
    if (!search->matches(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findTopLevel(DWORD processId, std::function<bool(HWND)> matches) {
    DialogSearch search = {processId, std::move(matches), nullptr};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK matchChild(HWND window, LPARAM data) {
    ChildSearch* search = reinterpret_cast<ChildSearch*>(data);
    if (className(window) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findDescendant(HWND parent, const wchar_t* wanted) {
    ChildSearch search = {wanted, nullptr};
    EnumChildWindows(parent, matchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message that the program answers at once, sent with a time-out so that a hung program
// fails the caller instead of blocking it.
bool sendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr,
                DWORD timeoutMs = kSendTimeoutMs) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer)) return false;
    if (result) *result = static_cast<LRESULT>(answer);
    return true;
}

// The open-file dialog's file-name box: an edit box, or the edit box of a combo box, by the ids
// the common dialog templates use.
HWND fileNameBox(HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x480);  // edt1
    if (!box) box = GetDlgItem(dialog, 0x47C);  // cmb13
    return box;
}

// How many entries the dialog's file view lists; -1 before it has one.
LRESULT fileViewCount(HWND dialog) {
    HWND view = findDescendant(dialog, L"SysListView32");
    LRESULT count = -1;
    if (!view || !sendWithin(view, LVM_GETITEMCOUNT, 0, 0, &count)) return -1;
    return count;
}

std::wstring quotedNames(const std::vector<std::wstring>& names) {
    if (names.size() == 1) return names.front();
    std::wstring text;
    for (const std::wstring& name : names) {
        if (!text.empty()) text += L' ';
        text += L'"' + name + L'"';
    }
    return text;
}

// Ends the processes that `parent` started, and theirs, before `parent` itself: what a program
// left running when it had to be ended (job scripts, transcoders, a debugger after a crash).
void terminateTree(DWORD parent) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    std::vector<DWORD> children;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent) children.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    for (DWORD child : children) {
        terminateTree(child);
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child)) {
            TerminateProcess(process, 9);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}

}  // namespace

bool waitUntil(const std::function<bool()>& holds, DWORD timeoutMs, DWORD pollMs) {
    const DWORD began = GetTickCount();
    for (;;) {
        if (holds()) return true;
        if (GetTickCount() - began >= timeoutMs) return holds();
        Sleep(pollMs);
    }
}

double preciseMs() {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

HWND findProcessDialog(DWORD processId, const wchar_t* caption, HWND except) {
    const std::wstring wanted = caption;
    return findTopLevel(processId, [&](HWND window) { return window != except && windowText(window) == wanted; });
}

HWND findMessageBox(DWORD processId) {
    return findTopLevel(processId, [](HWND window) {
        return windowText(window) == kBoxCaption && GetDlgItem(window, kMessageTextId) != nullptr;
    });
}

std::wstring messageBoxText(HWND box) { return labelText(box, kMessageTextId); }

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    if (window) InternalGetWindowText(window, text, 1024);
    return text;
}

std::wstring labelText(HWND dialog, int controlId) { return windowText(GetDlgItem(dialog, controlId)); }

void clickButton(HWND dialog, int controlId) {
    if (HWND button = GetDlgItem(dialog, controlId)) PostMessageW(button, BM_CLICK, 0, 0);
}

bool clickButtonAndWait(HWND dialog, int controlId, DWORD timeoutMs) {
    HWND button = GetDlgItem(dialog, controlId);
    return button && sendWithin(button, BM_CLICK, 0, 0, nullptr, timeoutMs);
}

UnmanagedWindowsFor::UnmanagedWindowsFor(const std::wstring& exeName)
    : keyPath_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\X11 Driver") {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    wchar_t old[64] = {};
    DWORD size = sizeof(old) - sizeof(wchar_t);
    DWORD type = 0;
    hadValue_ = RegQueryValueExW(key, L"Managed", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
                type == REG_SZ;
    if (hadValue_) oldValue_ = old;
    const wchar_t no[] = L"N";
    changed_ = RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof(no)) == ERROR_SUCCESS;
    RegCloseKey(key);
}

UnmanagedWindowsFor::~UnmanagedWindowsFor() {
    if (!changed_) return;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    if (hadValue_) {
        RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(oldValue_.c_str()),
                       static_cast<DWORD>((oldValue_.size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, L"Managed");
    }
    RegCloseKey(key);
}

RunningProgram::RunningProgram(const std::wstring& exePath, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + exePath + L"\"";
    // Started as from the desktop: a windowed program there has no standard handles, and the
    // engine reads its transcoder's output differently when it has them.
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = nullptr;
    startup.hStdError = nullptr;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &started)) {
        return;
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    processId_ = started.dwProcessId;
}

RunningProgram::~RunningProgram() {
    if (!process_) return;
    terminate();
    CloseHandle(process_);
}

HWND RunningProgram::waitForMainWindow(DWORD timeoutMs) {
    main_ = waitForDialog(kMainCaption, timeoutMs);
    return main_;
}

HWND RunningProgram::control(int controlId) const { return main_ ? GetDlgItem(main_, controlId) : nullptr; }

bool RunningProgram::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool RunningProgram::responsive(DWORD timeoutMs) const {
    return running() && main_ && sendWithin(main_, WM_NULL, 0, 0, nullptr, timeoutMs);
}

bool RunningProgram::waitForExit(DWORD timeoutMs, DWORD* exitCode) const {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_, exitCode);
    return true;
}

void RunningProgram::terminate() {
    if (!running()) return;
    terminateTree(processId_);
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 10000);
}

void RunningProgram::detach() {
    if (process_) CloseHandle(process_);
    process_ = nullptr;
}

HWND RunningProgram::waitForDialog(const wchar_t* caption, DWORD timeoutMs, HWND except) const {
    HWND found = nullptr;
    waitUntil([&] { return (found = findProcessDialog(processId_, caption, except)) != nullptr || !running(); },
              timeoutMs);
    return found;
}

HWND RunningProgram::waitForMessageBox(DWORD timeoutMs) const {
    HWND found = nullptr;
    waitUntil([&] { return (found = findMessageBox(processId_)) != nullptr || !running(); }, timeoutMs);
    return found;
}

bool RunningProgram::setControlText(int controlId, const std::wstring& text) const {
    HWND box = control(controlId);
    return box && sendWithin(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring RunningProgram::editText(int controlId) const {
    HWND box = control(controlId);
    wchar_t text[1024] = {};
    if (box) sendWithin(box, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

bool RunningProgram::choosePreset(int index) const {
    HWND box = control(IDC_PRESET);
    LRESULT result = CB_ERR;
    return box && sendWithin(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0, &result) && result == index;
}

std::vector<std::wstring> RunningProgram::listItems() const {
    std::vector<std::wstring> items;
    HWND list = control(IDC_SOURCE_LIST);
    LRESULT count = 0;
    if (!list || !sendWithin(list, LB_GETCOUNT, 0, 0, &count)) return items;
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT length = 0;
        if (!sendWithin(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, &length) || length < 0) length = 0;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        if (!sendWithin(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]), &copied) ||
            copied < 0) {
            copied = 0;
        }
        text.resize(static_cast<size_t>(copied < length ? copied : length));
        items.push_back(text);
    }
    return items;
}

std::vector<bool> RunningProgram::listSelection() const {
    std::vector<bool> selection;
    HWND list = control(IDC_SOURCE_LIST);
    LRESULT count = 0;
    if (!list || !sendWithin(list, LB_GETCOUNT, 0, 0, &count)) return selection;
    for (LRESULT index = 0; index < count; ++index) {
        LRESULT selected = 0;
        sendWithin(list, LB_GETSEL, static_cast<WPARAM>(index), 0, &selected);
        selection.push_back(selected > 0);
    }
    return selection;
}

void RunningProgram::selectAllItems(bool selected) const {
    if (HWND list = control(IDC_SOURCE_LIST)) sendWithin(list, LB_SETSEL, selected ? TRUE : FALSE, -1);
}

std::string RunningProgram::addFiles(const std::wstring& folder, const std::vector<std::wstring>& names,
                                     DWORD timeoutMs) const {
    if (!main_ || names.empty()) return "no main window or no names";
    LRESULT before = 0;
    sendWithin(control(IDC_SOURCE_LIST), LB_GETCOUNT, 0, 0, &before);

    clickButton(main_, IDC_ADD);
    HWND dialog = waitForDialog(kFileDialogCaption, timeoutMs);
    if (!dialog) return "the open-file dialog did not appear";
    HWND nameBox = fileNameBox(dialog);
    if (!nameBox) return "the open-file dialog has no file-name box";

    // Open with a folder typed goes there; the click is handled, browsing included, when the
    // sent click returns. The view is filled before the dialog answers again.
    if (!sendWithin(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()))) return "cannot type the folder";
    if (!clickButtonAndWait(dialog, IDOK, timeoutMs)) return "Open did not return after the folder was typed";
    if (!waitUntil([&] { return fileViewCount(dialog) >= static_cast<LRESULT>(names.size()); }, timeoutMs)) {
        return "the folder's files did not show in the open-file dialog";
    }

    const std::wstring typed = quotedNames(names);
    if (!sendWithin(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()))) return "cannot type the names";
    if (!clickButtonAndWait(dialog, IDOK, timeoutMs)) {
        HWND box = findProcessDialog(processId_, kFileDialogCaption, dialog);
        return "Open did not return after the names were typed" +
               (box ? ": " + toUtf8(labelText(box, kMessageTextId)) : std::string());
    }
    if (!waitUntil([&] { return !IsWindow(dialog); }, timeoutMs)) {
        return "the open-file dialog stayed open after Open (typed: " + toUtf8(typed) + ")";
    }
    // The names are added once GetOpenFileName has returned; the next message the main
    // window answers comes after that.
    if (!responsive(timeoutMs)) return "the program did not answer after the open-file dialog";
    return std::string();
}
