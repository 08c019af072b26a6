// Drives a velmora.exe that runs as its own process from outside, the way a user does: it finds
// the program's windows, types into them and presses their buttons, and reads what they show.
// Nothing here reaches into the program other than through its windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Asks `holds` every `pollMs` until it answers true or `timeoutMs` have passed; its last answer.
bool waitUntil(const std::function<bool()>& holds, DWORD timeoutMs, DWORD pollMs = 10);

// Milliseconds on a fine clock, for the figures that need better than the tick count.
double preciseMs();

// A visible dialog-class window of the process with exactly this caption, other than `except`.
HWND findProcessDialog(DWORD processId, const wchar_t* caption, HWND except = nullptr);
// A visible message box of the process: caption "Velmora" and a message text control.
HWND findMessageBox(DWORD processId);
std::wstring messageBoxText(HWND box);

// A window's text as the window manager holds it: read without sending the window a message,
// so a program that is busy (or stuck) cannot block the reader. Right for captions and labels,
// not for edit boxes.
std::wstring windowText(HWND window);
std::wstring labelText(HWND dialog, int controlId);

// A click on a dialog's button (BM_CLICK), posted: it does not wait for what the click starts,
// which may be a modal loop of its own.
void clickButton(HWND dialog, int controlId);
// The same click, sent: returns once the program has handled it; false when it had not after the
// time-out (it is then probably showing a window of its own).
bool clickButtonAndWait(HWND dialog, int controlId, DWORD timeoutMs);

// While this lives, programs started under Wine by this executable name get X windows that no
// window manager handles. On a display without a window manager, Wine otherwise waits two
// seconds for one each time such a window is hidden (every message box, every closed dialog),
// which would swamp any timing. Does nothing on Windows; restores what it changed.
class UnmanagedWindowsFor {
public:
    explicit UnmanagedWindowsFor(const std::wstring& exeName);
    ~UnmanagedWindowsFor();
    UnmanagedWindowsFor(const UnmanagedWindowsFor&) = delete;
    UnmanagedWindowsFor& operator=(const UnmanagedWindowsFor&) = delete;

private:
    std::wstring keyPath_;
    bool changed_ = false;
    bool hadValue_ = false;
    std::wstring oldValue_;
};

// One start of the program, ended (terminated if need be) and released when this goes.
class RunningProgram {
public:
    // Starts the program with `folder` as its current folder.
    RunningProgram(const std::wstring& exePath, const std::wstring& folder);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD processId() const { return processId_; }
    HANDLE processHandle() const { return process_; }

    // Waits for the main window ("Velmora 1.0"); null after the time-out.
    HWND waitForMainWindow(DWORD timeoutMs);
    HWND mainWindow() const { return main_; }
    HWND control(int controlId) const;

    bool running() const;
    // True when the window thread answers a message within the time: not hung, not dead.
    bool responsive(DWORD timeoutMs) const;
    // True, with the exit code, when the process has ended within the time.
    bool waitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    // Ends the program, and first whatever it started that still runs.
    void terminate();
    // Lets the program run on after this goes.
    void detach();

    HWND waitForDialog(const wchar_t* caption, DWORD timeoutMs, HWND except = nullptr) const;
    HWND waitForMessageBox(DWORD timeoutMs) const;

    // The main window's controls, each by its id.
    bool setControlText(int controlId, const std::wstring& text) const;
    std::wstring editText(int controlId) const;
    bool choosePreset(int index) const;
    std::vector<std::wstring> listItems() const;
    std::vector<bool> listSelection() const;
    void selectAllItems(bool selected) const;

    // Presses Add and picks the files in the open-file dialog: types the folder and presses Open
    // to go there, then types the names (in quotes when there are several) and presses Open.
    // Returns what went wrong, or an empty text once the dialog has closed.
    std::string addFiles(const std::wstring& folder, const std::vector<std::wstring>& names, DWORD timeoutMs) const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
};
