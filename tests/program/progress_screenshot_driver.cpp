// Brings a running velmora.exe to the middle of a batch for a screenshot, the way a user would:
// it picks every file of a folder in the open-file dialog, types the output folder, chooses MP3
// and presses Convert, then waits until the progress dialog shows the second file partly done.
// It writes the rectangle that holds the main window and the dialog, and leaves both running.
// Usage: velmora_progress_screenshot_driver <velmora.exe> <source folder> <output folder> <rectangle file>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "program_driver.h"
#include "resource.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;
constexpr int kMp3Preset = 4;
// Bar position (100 a file) at which the second file is a third done.
constexpr int kSecondFileShown = 135;

// The sources of the folder, in the order the list will keep them; the transcoder test double
// writes a record beside each source it is given, which is no source.
std::vector<std::wstring> sourceNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (name.size() > 7 && name.compare(name.size() - 7, 7, L".record") == 0) continue;
        names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

int fail(const char* what) {
    std::fprintf(stderr, "velmora_progress_screenshot_driver: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: velmora_progress_screenshot_driver <velmora.exe> <source folder> "
                             "<output folder> <rectangle file>\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring folder = argv[2];
    const std::vector<std::wstring> names = sourceNames(folder);
    if (names.size() < 2) return fail("the source folder needs two files at least");

    const std::wstring exeFolder = exe.substr(0, exe.rfind(L'\\'));
    RunningProgram program(exe, exeFolder);
    if (!program.started() || !program.waitForMainWindow(kTimeoutMs)) return fail("the main window did not come up");
    const std::string problem = program.addFiles(folder, names, kTimeoutMs);
    if (!problem.empty()) return fail(problem.c_str());
    if (!program.setControlText(IDC_OUTPUT_FOLDER, argv[3]) || !program.choosePreset(kMp3Preset)) {
        return fail("cannot set the folder or the preset");
    }

    clickButton(program.mainWindow(), IDC_CONVERT);
    HWND dialog = program.waitForDialog(L"Progress", kTimeoutMs);
    if (!dialog) return fail("no progress dialog");
    // The second file on its way: its name, "2 / n", and the bar past the first file's share.
    const std::wstring second = folder + L"\\" + names[1];
    const std::wstring secondTotal = L"2 / " + std::to_wstring(names.size()) + L" (";
    const bool midway = waitUntil(
        [&] {
            DWORD_PTR position = 0;
            SendMessageTimeoutW(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position);
            return labelText(dialog, IDC_PROGRESS_FILE) == second &&
                   labelText(dialog, IDC_PROGRESS_TOTAL).compare(0, secondTotal.size(), secondTotal) == 0 &&
                   static_cast<int>(position) >= kSecondFileShown;
        },
        kTimeoutMs, 20);
    if (!midway) return fail("the batch did not reach the second file");

    RECT mainRect;
    RECT dialogRect;
    GetWindowRect(program.mainWindow(), &mainRect);
    GetWindowRect(dialog, &dialogRect);
    RECT both;
    UnionRect(&both, &mainRect, &dialogRect);
    FILE* out = _wfopen(argv[4], L"w");
    if (!out) return fail("cannot write the rectangle file");
    std::fprintf(out, "%ld %ld %ld %ld\n", static_cast<long>(both.left), static_cast<long>(both.top),
                 static_cast<long>(both.right - both.left), static_cast<long>(both.bottom - both.top));
    std::fclose(out);
    // The program keeps running for the screenshot; the caller ends the session.
    program.detach();
    return 0;
}
