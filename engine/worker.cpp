#include <cstdio>
#include <vector>

#include "convert_core.h"
#include "debug_note.h"
#include "output_parser.h"

namespace {

constexpr DWORD kStopCheckMs = 100;
constexpr DWORD kStopWaitLimitMs = 1000;

// A file exists when it has attributes and is not a folder. Opening it for reading
// would take a locked or unreadable file for missing and replace it without asking.
bool outputFileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void debugFormatted(const char* format, long value) {
    char note[64];
    std::snprintf(note, sizeof(note), format, value);
    debugNote(note);
}

std::vector<wchar_t> modifiableText(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

DWORD WINAPI workerEntry(LPVOID engine) {
    if (engine) static_cast<ConvertCore*>(engine)->runProc();
    return 0;
}

}  // namespace

bool ConvertCore::start() {
    if (workerThread) {
        CloseHandle(workerThread);
        workerThread = nullptr;
    }
    if (workerExitHandle) {
        CloseHandle(workerExitHandle);
        workerExitHandle = nullptr;
    }
    state.store(Running);

    // Created suspended so that workerThread holds the handle before the worker can reach
    // its last steps, which close it.
    HANDLE thread = CreateThread(nullptr, 0, workerEntry, this, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        // No batch ran: the engine is as it was before any batch.
        state.store(Idle);
        return false;
    }
    if (!DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &workerExitHandle,
                         SYNCHRONIZE, FALSE, 0)) {
        workerExitHandle = nullptr;
    }
    workerThread = thread;
    ResumeThread(thread);
    return true;
}

bool ConvertCore::waitForWorker(DWORD timeoutMs) {
    if (!workerExitHandle) return true;
    return WaitForSingleObject(workerExitHandle, timeoutMs) == WAIT_OBJECT_0;
}

void ConvertCore::runProc() {
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (state.load() != Running) break;
        const int32_t index = static_cast<int32_t>(i);
        debugFormatted("----- runProc : %ld -----\n", index);

        std::wstring sourcePath;
        std::wstring outputPath;
        {
            JobLockGuard guard(jobLock);
            sourcePath = jobs[i]->sourcePath;
            outputPath = makeOutputPath(sourcePath, outputFolder);
            jobs[i]->outputPath = outputPath;
            currentJobIndex = index;
        }
        setJobProgress(index, 0);

        if (outputPath == sourcePath) {
            setJobProgress(index, 100);
            continue;
        }
        bool mayConvert = true;
        if (outputFileExists(outputPath)) {
            mayConvert = overwriteCallback && overwriteCallback(kOverwriteRequest, callbackContext) == 1;
        }
        if (mayConvert) {
            debugNote("runProc : convert\n");
            convert(sourcePath, outputPath);
        }
        setJobProgress(index, outputFileExists(outputPath) ? 100 : 0);
    }

    EngineState expected = Running;
    if (!state.compare_exchange_strong(expected, Finished)) state.store(Stopped);
    onBatchEnd();
    CloseHandle(workerThread);
    workerThread = nullptr;
    JobLockGuard guard(jobLock);
    currentJobIndex = -1;
}

bool ConvertCore::convert(const std::wstring& sourcePath, const std::wstring& outputPath) {
    debugNote("----- convert -----\n");
    const uint32_t duration = probeDuration(sourcePath);
    {
        JobLockGuard guard(jobLock);
        debugFormatted("duration:%ld\n", static_cast<long>(duration));
        jobs[static_cast<size_t>(currentJobIndex)]->durationSeconds = duration;
        debugNote("----------\n");
    }

    const std::wstring script = writeJobScript(sourcePath, transcoderArguments, &outputPath);
    std::vector<wchar_t> commandLine = modifiableText(script);
    trackProgress = true;
    runProcess(commandLine.data());
    trackProgress = false;
    DeleteFileW(script.c_str());
    return true;
}

uint32_t ConvertCore::probeDuration(const std::wstring& sourcePath) {
    const std::wstring script = writeJobScript(sourcePath, std::wstring(), nullptr);
    std::string report;
    runProcess2(script.c_str(), &report);
    DeleteFileW(script.c_str());
    return parseDuration(report);
}

void ConvertCore::requestStop() {
    EngineState expected = Running;
    state.compare_exchange_strong(expected, StopRequested);

    Sleep(kStopCheckMs);
    DWORD waited = kStopCheckMs;
    for (;;) {
        const EngineState now = state.load();
        if (now != Idle && now != Running && now != StopRequested) return;
        if (waited >= kStopWaitLimitMs) return;
        Sleep(kStopCheckMs);
        waited += kStopCheckMs;
    }
}

void ConvertCore::onBatchEnd() {}
