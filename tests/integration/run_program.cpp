#include "run_program.h"

#include <windows.h>

#include <thread>
#include <vector>

std::string runProgram(const std::wstring& commandLine, unsigned long timeoutMs, unsigned long* exitCode) {
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0)) return std::string();
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION child = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &child);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return std::string();
    }

    std::string output;
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) output.append(buffer, got);
    });
    if (WaitForSingleObject(child.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.hProcess, 1);
        WaitForSingleObject(child.hProcess, INFINITE);
    } else if (exitCode) {
        GetExitCodeProcess(child.hProcess, exitCode);
    }
    reader.join();
    CloseHandle(readEnd);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    return output;
}

std::string mediaReport(const std::wstring& transcoder, const std::wstring& file) {
    return runProgram(L"\"" + transcoder + L"\" -hide_banner -i \"" + file + L"\"", 60000);
}
