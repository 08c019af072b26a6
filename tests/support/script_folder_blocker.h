// Puts a file where the job-script folder belongs, so that no script can be created; the
// folder as it was (with whatever an earlier test left in it) is moved aside and put back.
#pragma once

#include <windows.h>

#include <string>

class ScriptFolderBlocker {
public:
    explicit ScriptFolderBlocker(const std::wstring& folder)
        : folder_(folder), aside_(folder + L"-aside-" + std::to_wstring(GetCurrentProcessId())) {
        if (GetFileAttributesW(folder_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            movedAside_ = MoveFileW(folder_.c_str(), aside_.c_str()) != FALSE;
            if (!movedAside_) return;
        }
        HANDLE blocker = CreateFileW(folder_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (blocker == INVALID_HANDLE_VALUE) return;
        CloseHandle(blocker);
        blocking_ = true;
    }
    ~ScriptFolderBlocker() {
        if (blocking_) DeleteFileW(folder_.c_str());
        if (movedAside_) MoveFileW(aside_.c_str(), folder_.c_str());
    }
    ScriptFolderBlocker(const ScriptFolderBlocker&) = delete;
    ScriptFolderBlocker& operator=(const ScriptFolderBlocker&) = delete;

    bool blocking() const { return blocking_; }

private:
    std::wstring folder_;
    std::wstring aside_;
    bool movedAside_ = false;
    bool blocking_ = false;
};
