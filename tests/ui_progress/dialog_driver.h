// Drives modal dialogs of this thread from inside their own loops, and answers message boxes
// from any thread of the process, as a user would.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "message_pump.h"

// Watches for message boxes captioned "Velmora" and answers each with what the policy
// returns for its text (IDYES, IDNO, IDOK), or leaves it open for now when it returns 0.
class MessageBoxAnswerer {
public:
    using Policy = std::function<int(const std::wstring& text)>;
    explicit MessageBoxAnswerer(Policy policy);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The texts of the boxes answered so far, in order.
    std::vector<std::wstring> answered() const;
    // The owner of each answered box, in the same order.
    std::vector<HWND> owners() const;

private:
    void watch();

    Policy policy_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::wstring> texts_;
    std::vector<HWND> owners_;
    std::thread thread_;
};

// The first visible dialog window of the current thread with this caption, or null.
HWND findThreadDialog(const wchar_t* caption);

// Calls step every 20 ms on this thread while a modal loop runs, until step returns false.
// Returns false from the driver itself after the deadline (the test then fails).
class ThreadTicker {
public:
    ThreadTicker(std::function<bool()> step, DWORD deadlineMs = 60000);
    ~ThreadTicker();
    ThreadTicker(const ThreadTicker&) = delete;
    ThreadTicker& operator=(const ThreadTicker&) = delete;
    bool timedOut() const { return timedOut_; }

private:
    static void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD);
    std::function<bool()> step_;
    DWORD began_;
    DWORD deadlineMs_;
    bool timedOut_ = false;
    bool busy_ = false;
    UINT_PTR timer_;
    UINT_PTR id_;
};

// Text of a dialog control.
std::wstring controlText(HWND dialog, int id);
bool controlVisible(HWND dialog, int id);
