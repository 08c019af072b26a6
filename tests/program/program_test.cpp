// The whole program, velmora.exe of this build, started as its own process from a scratch folder
// with a transcoder in its core folder, and driven from outside through its windows the way a
// user drives it: files picked in the open-file dialog, the folder typed, a preset chosen,
// Convert, Stop and Close pressed, message boxes answered, the window closed.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../integration/run_program.h"
#include "program_driver.h"
#include "resource.h"
#include "test_files.h"
#include "test_tree.h"
#include "transcoders.h"

namespace {

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kBatchTimeoutMs = 120000;
const wchar_t kSettingsKey[] = L"Software\\Orvanta\\wav";
const wchar_t kSettingsValue[] = L"out_dir";
const wchar_t kStopQuestion[] = L"Are you sure you want to stop the conversion?";

std::wstring builtProgramPath() { return windowsPathFromBuild(VELMORA_PROGRAM); }

// The tests run in the program's Wine prefix, so they see the registry it writes.
void deleteSavedFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, kSettingsValue);
    RegCloseKey(key);
}

struct SavedValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
};

SavedValue savedFolder() {
    SavedValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, kSettingsValue, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.exists = RegQueryValueExW(key, kSettingsValue, nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(&value.bytes[0]), &size) == ERROR_SUCCESS;
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

// The value as the program is to store it: the UTF-16 text without a terminating NUL.
std::string storedForm(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

// Job scripts and probe logs the engine leaves in the application-data folders.
size_t leftoverTemporaryFiles() {
    wchar_t appData[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE)) return 0;
    size_t count = 0;
    for (const std::wstring& pattern : {std::wstring(appData) + L"\\Lumiq\\zelt*.bat",
                                        std::wstring(appData) + L"\\kalder*.txt"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            ++count;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return count;
}

std::wstring stem(const std::wstring& name) { return name.substr(0, name.rfind(L'.')); }

// What the progress dialog showed while it was watched, each change once, in order.
struct BatchView {
    std::vector<std::wstring> files;
    std::vector<std::wstring> totals;
    bool ownerDisabledWhileOpen = true;
    HWND owner = nullptr;
};

void noteChange(std::vector<std::wstring>& seen, const std::wstring& text) {
    if (seen.empty() || seen.back() != text) seen.push_back(text);
}

class WholeProgram : public ::testing::Test {
protected:
    void SetUp() override { deleteSavedFolder(); }
    void TearDown() override {
        program.reset();
        deleteSavedFolder();
    }

    // velmora.exe and `transcoder` as core\kalder.exe in the scratch folder, started there.
    void startProgram(const std::wstring& transcoder) {
        const std::wstring copy = tree.root + L"\\velmora.exe";
        ASSERT_TRUE(CopyFileW(builtProgramPath().c_str(), copy.c_str(), FALSE)) << toUtf8(builtProgramPath());
        tree.installTranscoder(transcoder);
        program = std::make_unique<RunningProgram>(copy, tree.root);
        ASSERT_TRUE(program->started());
        ASSERT_NE(program->waitForMainWindow(kWindowTimeoutMs), nullptr) << "no main window";
    }

    HWND mainWindow() const { return program->mainWindow(); }

    // Presses Convert and watches the progress dialog until its finished view; presses Close.
    BatchView convertToTheEnd() {
        BatchView view;
        clickButton(mainWindow(), IDC_CONVERT);
        HWND dialog = program->waitForDialog(L"Progress", kWindowTimeoutMs);
        EXPECT_NE(dialog, nullptr) << "no progress dialog";
        if (!dialog) return view;
        view.owner = GetWindow(dialog, GW_OWNER);
        const bool finished = waitUntil(
            [&] {
                noteChange(view.files, labelText(dialog, IDC_PROGRESS_FILE));
                noteChange(view.totals, labelText(dialog, IDC_PROGRESS_TOTAL));
                if (IsWindow(dialog) && IsWindowEnabled(mainWindow())) view.ownerDisabledWhileOpen = false;
                return view.files.back() == L"Complete" && IsWindowVisible(GetDlgItem(dialog, IDC_CLOSE));
            },
            kBatchTimeoutMs, 5);
        EXPECT_TRUE(finished) << "the batch did not finish; the dialog shows " << toUtf8(view.files.back());
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_STOP)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS_BAR)));
        clickButton(dialog, IDC_CLOSE);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, kWindowTimeoutMs)) << "Close did not end the dialog";
        // The selection is made when the dialog has returned, before the window answers again.
        EXPECT_TRUE(program->responsive(kWindowTimeoutMs));
        return view;
    }

    // Closes the main window as its close box does and waits for the program to end.
    void closeAndExpectExit(DWORD timeoutMs = 20000) {
        PostMessageW(mainWindow(), WM_CLOSE, 0, 0);
        DWORD exitCode = 1;
        ASSERT_TRUE(program->waitForExit(timeoutMs, &exitCode)) << "the program did not end after its window closed";
        EXPECT_EQ(exitCode, 0u);
    }

    UnmanagedWindowsFor unmanaged{L"velmora.exe"};
    TestTree tree{L"program"};
    std::unique_ptr<RunningProgram> program;
};

TEST_F(WholeProgram, ConvertsTheChosenFilesSelectsTheConvertedOnesAndKeepsTheFolder) {
    const std::wstring ffmpeg = realTranscoderPath();
    if (ffmpeg.empty()) GTEST_SKIP() << "no Windows FFmpeg fetched (scripts/fetch-ffmpeg.sh)";

    // Two tones and a file that has an accepted name but is no audio: its output cannot be made.
    const std::vector<std::wstring> names = {L"a tone.wav", L"b tone.flac", L"c not audio.wav"};
    for (size_t i = 0; i < 2; ++i) {
        const std::wstring path = tree.inDir + L"\\" + names[i];
        runProgram(L"\"" + ffmpeg + L"\" -hide_banner -loglevel error -f lavfi -i sine=frequency=440:duration=3 -y \"" +
                       path + L"\"",
                   60000);
        ASSERT_TRUE(fileExists(path)) << toUtf8(path);
    }
    tree.writeFile(L"in\\" + names[2], "this is a text, not a sound\n");
    std::vector<std::wstring> sources;
    for (const std::wstring& name : names) sources.push_back(tree.inDir + L"\\" + name);

    ASSERT_NO_FATAL_FAILURE(startProgram(ffmpeg));
    // Picked in the dialog in another order than the list keeps them.
    ASSERT_EQ(program->addFiles(tree.inDir, {names[2], names[0], names[1]}, kWindowTimeoutMs), "");
    ASSERT_EQ(program->listItems(), sources);
    ASSERT_TRUE(program->setControlText(IDC_OUTPUT_FOLDER, tree.outDir));

    const struct {
        int preset;
        const wchar_t* extension;
        const char* codec;
    } presets[] = {{4, L"mp3", "mp3"}, {5, L"ogg", "vorbis"}};
    for (const auto& p : presets) {
        SCOPED_TRACE(toUtf8(p.extension));
        ASSERT_TRUE(program->choosePreset(p.preset));
        // Everything selected beforehand: the batch must take the selection from the item that failed.
        program->selectAllItems(true);

        const BatchView view = convertToTheEnd();
        EXPECT_EQ(view.owner, mainWindow());
        EXPECT_TRUE(view.ownerDisabledWhileOpen);
        // The dialog names each source in list order, by its full path, then the outcome.
        std::vector<std::wstring> named;
        for (const std::wstring& file : view.files) {
            if (file != L"File Name" && file != L"Complete") named.push_back(file);
        }
        EXPECT_EQ(named, sources);
        ASSERT_FALSE(view.totals.empty());
        EXPECT_EQ(view.totals.back(), L"2 / 3 (67%)");

        EXPECT_EQ(program->listSelection(), (std::vector<bool>{true, true, false}));
        for (size_t i = 0; i < 2; ++i) {
            const std::wstring output = tree.outDir + L"\\" + stem(names[i]) + L"." + p.extension;
            ASSERT_TRUE(fileExists(output)) << toUtf8(output);
            const std::string report = mediaReport(ffmpeg, output);
            EXPECT_NE(report.find(std::string("Audio: ") + p.codec), std::string::npos) << report;
            EXPECT_NE(report.find("Duration: 00:00:03"), std::string::npos) << report;
        }
        EXPECT_FALSE(fileExists(tree.outDir + L"\\" + stem(names[2]) + L"." + p.extension));
    }

    ASSERT_NO_FATAL_FAILURE(closeAndExpectExit());
    const SavedValue saved = savedFolder();
    ASSERT_TRUE(saved.exists);
    EXPECT_EQ(saved.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(saved.bytes, storedForm(tree.outDir));
}

TEST_F(WholeProgram, ConvertNamesWhatIsMissingAndStartsNothing) {
    ASSERT_NO_FATAL_FAILURE(startProgram(fakeTranscoderPath()));
    const std::wstring source = tree.writeFile(L"in\\song.wav", fakeSource({{"steps", "1"}}));
    const std::wstring core = tree.coreDir + L"\\kalder.exe";
    const std::wstring coreAside = tree.coreDir + L"\\kalder.exe.aside";

    const struct {
        const char* situation;
        bool addSource;
        std::wstring folder;
        bool coreMissing;
        const wchar_t* message;
    } cases[] = {
        {"an empty list, also with no folder", false, L"", false, L"Please add source files."},
        {"no folder", true, L"", false, L"Please select output folder."},
        {"a folder that does not exist", false, tree.outDir + L"\\missing", false, L"The output folder doesn't exist."},
        {"a file for a folder", false, source, false, L"The output folder doesn't exist."},
        {"no transcoder", false, tree.outDir, true, L"There isn't a core file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        if (c.addSource) {
            ASSERT_EQ(program->addFiles(tree.inDir, {L"song.wav"}, kWindowTimeoutMs), "");
        }
        ASSERT_TRUE(program->setControlText(IDC_OUTPUT_FOLDER, c.folder));
        if (c.coreMissing) {
            ASSERT_TRUE(MoveFileW(core.c_str(), coreAside.c_str()));
        }

        clickButton(mainWindow(), IDC_CONVERT);
        HWND box = program->waitForMessageBox(kWindowTimeoutMs);
        ASSERT_NE(box, nullptr) << "no message";
        EXPECT_EQ(messageBoxText(box), c.message);
        EXPECT_EQ(GetWindow(box, GW_OWNER), mainWindow());
        EXPECT_FALSE(IsWindowEnabled(mainWindow()));
        EXPECT_EQ(findProcessDialog(program->processId(), L"Progress"), nullptr);
        clickButton(box, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }, kWindowTimeoutMs)) << "OK did not close the message";
        ASSERT_TRUE(program->responsive(kWindowTimeoutMs));
        EXPECT_TRUE(IsWindowEnabled(mainWindow()));

        if (c.coreMissing) {
            ASSERT_TRUE(MoveFileW(coreAside.c_str(), core.c_str()));
        }
    }
    // The transcoder never ran: it leaves a record beside every source it is given.
    EXPECT_FALSE(fileExists(source + L".record"));

    // Whatever the box holds is what is kept.
    ASSERT_TRUE(program->setControlText(IDC_OUTPUT_FOLDER, tree.outDir + L"\\not made yet"));
    ASSERT_NO_FATAL_FAILURE(closeAndExpectExit());
    EXPECT_EQ(savedFolder().bytes, storedForm(tree.outDir + L"\\not made yet"));
}

// Stop answered Yes, and then at once the next thing a user may do: Convert again, or close the
// window. The rounds alternate between a transcoder that quits as soon as it is asked and one
// that runs on for two seconds after the stop, so that the main window is usable again while the
// stopped transcoder still runs and the program has to wait for it.
struct QuitBehaviour {
    const char* name;
    std::string steering;
};

const QuitBehaviour kQuitBehaviours[] = {
    // Five seconds a file. No output: a stopped job leaves nothing that the next batch of the
    // same files would have to ask about.
    {"quits when asked", fakeSource({{"steps", "100"}, {"interval_ms", "50"}, {"output", "none"}})},
    // Three seconds a file whatever it is told; it writes little, so it never fills the pipe
    // that nobody reads after the stop.
    {"runs on after the stop", fakeSource({{"steps", "20"}, {"interval_ms", "150"}, {"ignore_q", "1"},
                                           {"output", "none"}})},
};

class StopAtOnce : public WholeProgram {
protected:
    static constexpr int kRounds = 10;

    static const QuitBehaviour& behaviourOf(int round) { return kQuitBehaviours[round % 2]; }

    void writeSources(const QuitBehaviour& behaviour) {
        sources.clear();
        for (const std::wstring& name : names) sources.push_back(tree.writeFile(L"in\\" + name, behaviour.steering));
    }

    void startWithSources(const QuitBehaviour& behaviour) {
        ASSERT_NO_FATAL_FAILURE(startProgram(fakeTranscoderPath()));
        writeSources(behaviour);
        ASSERT_EQ(program->addFiles(tree.inDir, names, kWindowTimeoutMs), "");
        ASSERT_EQ(program->listItems(), sources);
        ASSERT_TRUE(program->setControlText(IDC_OUTPUT_FOLDER, tree.outDir));
    }

    // A source is being converted, past its probe: the bar has moved.
    bool converting(HWND dialog) const {
        const std::wstring file = labelText(dialog, IDC_PROGRESS_FILE);
        if (std::find(sources.begin(), sources.end(), file) == sources.end()) return false;
        DWORD_PTR position = 0;
        return SendMessageTimeoutW(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000,
                                   &position) &&
               position > 0;
    }

    // Waits until the dialog shows a source being converted, presses Stop and answers Yes.
    void stopWhileConverting(HWND dialog) {
        ASSERT_TRUE(waitUntil([&] { return converting(dialog); }, kWindowTimeoutMs))
            << "the batch did not get going; the dialog shows " << toUtf8(labelText(dialog, IDC_PROGRESS_FILE));
        clickButton(dialog, IDC_STOP);
        HWND question = program->waitForMessageBox(kWindowTimeoutMs);
        ASSERT_NE(question, nullptr) << "Stop asked nothing";
        EXPECT_EQ(messageBoxText(question), kStopQuestion);
        EXPECT_EQ(GetWindow(question, GW_OWNER), dialog);
        clickButton(question, IDYES);
        yesPressedMs = preciseMs();
    }

    // A user's next click reaches the main window once it is enabled again, after the dialog.
    void waitUntilMainWindowUsable(HWND dialog, int round) {
        ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(mainWindow()) != FALSE; }, kWindowTimeoutMs, 1))
            << "the main window stayed disabled after the stop";
        stopTimesMs[round % 2].push_back(preciseMs() - yesPressedMs);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, kWindowTimeoutMs)) << "the dialog outlived the stop";
    }

    // Every transcoder run has ended: each one writes its record's exit line as it ends.
    void expectEveryTranscoderRunEnded() {
        for (const std::wstring& source : sources) {
            const std::string record = readFileBytes(source + L".record");
            EXPECT_EQ(occurrences(record, "mode="), occurrences(record, "exit=")) << toUtf8(source) << ":\n" << record;
        }
    }

    void printStopTimes(const char* what) const {
        for (int kind = 0; kind < 2; ++kind) {
            const std::vector<double>& times = stopTimesMs[kind];
            if (times.empty()) continue;
            const auto range = std::minmax_element(times.begin(), times.end());
            double sum = 0;
            for (double ms : times) sum += ms;
            std::printf("%s, transcoder %s: Yes to usable main window %.0f / %.0f / %.0f ms (min / avg / max of %zu)\n",
                        what, kQuitBehaviours[kind].name, *range.first, sum / static_cast<double>(times.size()),
                        *range.second, times.size());
        }
    }

    const std::vector<std::wstring> names = {L"slow 1.wav", L"slow 2.wav", L"slow 3.wav"};
    std::vector<std::wstring> sources;
    double yesPressedMs = 0;
    std::vector<double> stopTimesMs[2];
};

TEST_F(StopAtOnce, ConvertAgainStartsAFreshBatch) {
    ASSERT_NO_FATAL_FAILURE(startWithSources(behaviourOf(0)));
    const size_t leftoverBefore = leftoverTemporaryFiles();
    int clicksNotTaken = 0;

    // Everything selected beforehand: each stopped batch must deselect what it did not convert.
    program->selectAllItems(true);
    clickButton(mainWindow(), IDC_CONVERT);
    HWND dialog = program->waitForDialog(L"Progress", kWindowTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    for (int round = 0; round <= kRounds; ++round) {
        SCOPED_TRACE(std::string("round ") + std::to_string(round + 1) + ", transcoder " + behaviourOf(round).name);
        ASSERT_NO_FATAL_FAILURE(stopWhileConverting(dialog));
        ASSERT_NO_FATAL_FAILURE(waitUntilMainWindowUsable(dialog, round));
        if (round == kRounds) break;
        // The sources tell the transcoder how the next batch's runs behave.
        writeSources(behaviourOf(round + 1));
        clickButton(mainWindow(), IDC_CONVERT);

        HWND next = program->waitForDialog(L"Progress", 3000, dialog);
        if (!next) {
            // A click that comes while the program still waits for the stopped transcoder is
            // not taken; the window must still answer, and a later click must start a batch.
            ASSERT_TRUE(program->responsive(5000)) << "the program stopped answering";
            ++clicksNotTaken;
            clickButton(mainWindow(), IDC_CONVERT);
            next = program->waitForDialog(L"Progress", kWindowTimeoutMs, dialog);
        }
        ASSERT_NE(next, nullptr) << "Convert after the stop opened no progress dialog";
        EXPECT_EQ(GetWindow(next, GW_OWNER), mainWindow());
        dialog = next;
    }
    ASSERT_TRUE(program->responsive(kWindowTimeoutMs));
    // Stopped during its first file every time: nothing was converted.
    EXPECT_EQ(program->listSelection(), (std::vector<bool>{false, false, false}));
    ASSERT_NO_FATAL_FAILURE(closeAndExpectExit());
    expectEveryTranscoderRunEnded();
    EXPECT_EQ(leftoverTemporaryFiles(), leftoverBefore);
    printStopTimes("Convert again");
    std::printf("Convert clicks not taken while the program waited: %d of %d\n", clicksNotTaken, kRounds);
}

TEST_F(StopAtOnce, ClosingTheWindowEndsTheProgramCleanly) {
    const size_t leftoverBefore = leftoverTemporaryFiles();
    int closesLate = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(std::string("round ") + std::to_string(round + 1) + ", transcoder " + behaviourOf(round).name);
        ASSERT_NO_FATAL_FAILURE(startWithSources(behaviourOf(round)));
        clickButton(mainWindow(), IDC_CONVERT);
        HWND dialog = program->waitForDialog(L"Progress", kWindowTimeoutMs);
        ASSERT_NE(dialog, nullptr);
        ASSERT_NO_FATAL_FAILURE(stopWhileConverting(dialog));
        ASSERT_NO_FATAL_FAILURE(waitUntilMainWindowUsable(dialog, round));
        PostMessageW(mainWindow(), WM_CLOSE, 0, 0);

        DWORD exitCode = 1;
        if (!program->waitForExit(3000, &exitCode)) {
            // Closed while the program still waits for the stopped transcoder: one close is
            // enough, the window goes once the transcoder has quit, and answers meanwhile.
            ++closesLate;
            if (program->running()) {
                EXPECT_TRUE(program->responsive(5000)) << "the program stopped answering";
            }
            ASSERT_TRUE(program->waitForExit(kWindowTimeoutMs, &exitCode)) << "the program did not end";
        }
        EXPECT_EQ(exitCode, 0u);
        // Nothing the program started outlives it.
        expectEveryTranscoderRunEnded();
        program.reset();
        for (const std::wstring& source : sources) DeleteFileW((source + L".record").c_str());
    }
    EXPECT_EQ(leftoverTemporaryFiles(), leftoverBefore);
    printStopTimes("Close");
    std::printf("Closes that took more than 3 s: %d of %d\n", closesLate, kRounds);
}

}  // namespace
