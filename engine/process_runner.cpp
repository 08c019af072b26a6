#include <vector>

#include "app_data.h"
#include "convert_core.h"
#include "debug_note.h"
#include "output_parser.h"
#include "transcoder.h"

namespace {

constexpr DWORD kConvertPollMs = 300;
constexpr DWORD kProbePollMs = 100;
constexpr DWORD kOutputChunkBytes = 4096;
constexpr DWORD kLogChunkBytes = 256;

struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

// Both ends are created inheritable; the end the engine keeps is then made private.
Pipe createPipe(bool keepReadEnd, const wchar_t* createFailure, const wchar_t* inheritFailure) {
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.bInheritHandle = TRUE;
    Pipe pipe;
    if (!CreatePipe(&pipe.read, &pipe.write, &attributes, 0)) {
        debugFailure(createFailure);
        pipe.read = pipe.write = nullptr;
    }
    HANDLE kept = keepReadEnd ? pipe.read : pipe.write;
    if (!SetHandleInformation(kept, HANDLE_FLAG_INHERIT, 0)) debugFailure(inheritFailure);
    return pipe;
}

void closeIfOpen(HANDLE& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
}

// The log's text, read in small chunks; empty when it cannot be opened.
std::string readWholeLog(const std::wstring& logPath) {
    std::string text;
    HANDLE file = CreateFileW(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char chunk[kLogChunkBytes + 1];
    DWORD got = 0;
    while (ReadFile(file, chunk, kLogChunkBytes, &got, nullptr) && got > 0) {
        chunk[got] = '\0';
        text += chunk;  // up to the first NUL of the chunk
    }
    CloseHandle(file);
    return text;
}

}  // namespace

// The last chunk read from the transcoder's output pipe, with room for a terminating NUL.
char gOutputChunk[kOutputChunkBytes + 1];

bool ConvertCore::runProcess(wchar_t* commandLine) {
    Pipe output = createPipe(true, L"StdoutRd CreatePipe", L"Stdout SetHandleInformation");
    Pipe input = createPipe(false, L"Stdin CreatePipe", L"Stdin SetHandleInformation");

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.read;
    startup.hStdOutput = output.write;
    startup.hStdError = output.write;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &child)) {
        debugFailure(L"CreateProcess");
        closeIfOpen(output.read);
        closeIfOpen(output.write);
        closeIfOpen(input.read);
        closeIfOpen(input.write);
        return false;
    }
    // Without our copies of the child's ends, the output pipe reports its end once the
    // interpreter and the transcoder have both exited.
    closeIfOpen(output.write);
    closeIfOpen(input.read);
    debugNote("----- ConvertCore::runProcess -----\n");

    while (WaitForSingleObject(child.hProcess, kConvertPollMs) == WAIT_TIMEOUT) {
        const EngineState now = state.load();
        if (now == Running) {
            readTranscoderOutput(output.read);
        } else if (now == StopRequested) {
            DWORD written = 0;
            WriteFile(input.write, &transcoder::kStopByte, 1, &written, nullptr);
        }
    }

    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    closeIfOpen(output.read);
    closeIfOpen(input.write);
    debugNote("----- runProcess : CloseHandle -----\n");
    return true;
}

void ConvertCore::readTranscoderOutput(HANDLE outputPipe) {
    HANDLE ownOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    debugNote("----------\n");
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(outputPipe, gOutputChunk, kOutputChunkBytes, &got, nullptr) || got == 0) return;
        gOutputChunk[got] = '\0';
        debugNote(gOutputChunk);
        if (trackProgress) parseProgress(*this, std::string(gOutputChunk));
        // A windowed program has no standard output: this write fails and ends the call
        // after one chunk, so the poll loop can look at the state again.
        DWORD written = 0;
        if (!WriteFile(ownOutput, gOutputChunk, got, &written, nullptr)) return;
    }
}

bool ConvertCore::runProcess2(const wchar_t* scriptPath, std::string* logText) {
    const std::wstring logPath =
        roamingAppDataFolder() + L"\\kalder" + tickCountText(GetTickCount()) + L".txt";
    if (!fitsPathBuffer(logPath)) {
        // The log would not fit a path buffer: the probe is not run at all.
        debugFailure(L"CreateProcess");
        return false;
    }
    const std::wstring command = L"\"" + std::wstring(scriptPath) + L"\" 2> \"" + logPath + L"\"";
    std::vector<wchar_t> commandLine(command.begin(), command.end());
    commandLine.push_back(L'\0');

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &child)) {
        debugFailure(L"CreateProcess");
        return false;
    }
    debugNote("----- ConvertCore::runProcess2 -----\n");

    while (WaitForSingleObject(child.hProcess, kProbePollMs) == WAIT_TIMEOUT && state.load() == Running) {
    }
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    debugNote("----- runProcess2 : CloseHandle -----\n");

    const std::string text = readWholeLog(logPath);
    if (logText) *logText = text;
    DeleteFileW(logPath.c_str());
    return true;
}
