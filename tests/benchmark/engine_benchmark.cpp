// Prints what the engine costs over running the same job scripts back to back by hand:
// wall times, their ratio, the overhead per job and the engine's peak memory.
// Usage: engine_benchmark.exe [sources] [seconds per source]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../integration/run_program.h"
#include "audio_converter.h"
#include "convert_core.h"
#include "test_files.h"
#include "test_tree.h"
#include "transcoders.h"

namespace {

double secondsSince(const LARGE_INTEGER& began) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - began.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER now() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value;
}

// Starts a command line without a window and waits for it, as the engine's children run.
void runAndWait(const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &child)) {
        return;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
}

void clearFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
    const int sources = argc > 1 ? std::atoi(argv[1]) : 20;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::wstring ffmpeg = realTranscoderPath();
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "no Windows FFmpeg: run scripts/fetch-ffmpeg.sh first\n");
        return 1;
    }
    // A windowed program has no standard output; the engine's reader relies on that.
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);

    TestTree tree(L"benchmark");
    AudioConverter profile;
    std::vector<std::wstring> paths;
    for (int i = 0; i < sources; ++i) {
        const std::wstring path = tree.inDir + L"\\source " + std::to_wstring(i) + L".wav";
        runProgram(L"\"" + ffmpeg + L"\" -hide_banner -loglevel error -f lavfi -i sine=frequency=" +
                       std::to_wstring(220 + 20 * i) + L":duration=" + std::to_wstring(seconds) +
                       L" -ac 2 -ar 44100 -y \"" + path + L"\"",
                   120000);
        paths.push_back(path);
    }

    ConvertCore engine;
    engine.transcoderPath = tree.installTranscoder(ffmpeg);
    engine.outputFolder = tree.outDir;
    engine.outputExtension = profile.getPresetExtension(4);
    engine.transcoderArguments = profile.getPresetArguments(4);

    // By hand: the same probe and convert scripts, each run to its end, one after the other.
    LARGE_INTEGER began = now();
    for (const std::wstring& path : paths) {
        const std::wstring probe = engine.writeJobScript(path, std::wstring(), nullptr);
        runAndWait(L"\"" + probe + L"\" 2> \"" + tree.root + L"\\probe.txt\"");
        DeleteFileW(probe.c_str());
        const std::wstring output = engine.makeOutputPath(path, tree.outDir);
        const std::wstring convert = engine.writeJobScript(path, engine.transcoderArguments, &output);
        runAndWait(convert);
        DeleteFileW(convert.c_str());
    }
    const double direct = secondsSince(began);
    clearFolder(tree.outDir);

    for (const std::wstring& path : paths) engine.addJob(path.c_str());
    began = now();
    engine.start();
    engine.waitForWorker(INFINITE);
    const double viaEngine = secondsSince(began);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));

    std::printf("sources: %d of %d s, preset MP3, completed %d of %d\n", sources, seconds,
                static_cast<int>(engine.countCompleted()), sources);
    std::printf("scripts by hand: %.2f s\n", direct);
    std::printf("through engine:  %.2f s\n", viaEngine);
    std::printf("ratio:           %.3f (goal at most 1.05)\n", viaEngine / direct);
    std::printf("overhead a job:  %.0f ms\n", (viaEngine - direct) * 1000.0 / sources);
    std::printf("peak memory:     %.1f MiB working set, %.1f MiB committed\n",
                static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0,
                static_cast<double>(memory.PeakPagefileUsage) / 1048576.0);
    return 0;
}
