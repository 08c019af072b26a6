#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../engine_run/engine_fixture.h"
#include "../ui_main/ui_test_helpers.h"
#include "../ui_progress/dialog_driver.h"
#include "audio_converter.h"
#include "batch_start.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

class ConvertCommand : public ::testing::Test {
protected:
    void SetUp() override {
        coreFolder = programFolder() + L"\\core";
        CreateDirectoryW(coreFolder.c_str(), nullptr);
        transcoder = coreFolder + L"\\kalder.exe";
        ASSERT_TRUE(CopyFileW(fakeTranscoderPath().c_str(), transcoder.c_str(), FALSE));
        window = openMainWindow(IDD_MAIN);
        ASSERT_NE(window, nullptr);
        setFolder(tree.outDir);
    }
    void TearDown() override {
        if (window) closeMainWindow(window);
        DeleteFileW(transcoder.c_str());
        RemoveDirectoryW(coreFolder.c_str());
        deleteSettingsKey();
    }

    void setFolder(const std::wstring& folder) { SetDlgItemTextW(window, IDC_OUTPUT_FOLDER, folder.c_str()); }
    std::wstring addSource(const std::wstring& name, const std::string& steering) {
        const std::wstring path = tree.writeFile(L"in\\" + name, steering);
        SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
        return path;
    }
    bool selected(int item) const { return SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_GETSEL, item, 0) > 0; }
    static void click(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    // Runs Convert; the progress dialog, when one opens, is closed once it shows "Complete".
    bool convertToTheEnd() {
        bool opened = false;
        ThreadTicker ticker([&] {
            HWND dialog = findThreadDialog(L"Progress");
            if (!dialog) return true;
            opened = true;
            if (controlText(dialog, IDC_PROGRESS_FILE) != L"Complete") return true;
            click(dialog, IDC_CLOSE);
            return false;
        });
        onConvert();
        EXPECT_FALSE(ticker.timedOut());
        return opened;
    }

    NoStandardOutput windowed;  // the program has no standard output
    TestTree tree{L"convert"};
    std::wstring coreFolder;
    std::wstring transcoder;
    HWND window = nullptr;
};

TEST_F(ConvertCommand, OnlyTheFirstFailingCheckIsToldAndTheEngineIsLeftAlone) {
    const std::wstring aFile = tree.writeFile(L"not-a-folder.txt", "x");
    const struct {
        const char* name;
        bool withSource;
        std::wstring folder;
        bool withTranscoder;
        const wchar_t* message;
    } cases[] = {
        {"empty list, empty folder", false, L"", false, L"Please add source files."},
        {"empty folder", true, L"", false, L"Please select output folder."},
        {"folder is a file", true, aFile, false, L"The output folder doesn't exist."},
        {"folder missing", true, tree.root + L"\\nowhere", false, L"The output folder doesn't exist."},
        {"no transcoder", true, tree.outDir, false, L"There isn't a core file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_RESETCONTENT, 0, 0);
        if (c.withSource) addSource(L"song.wav", fakeSource({}));
        setFolder(c.folder);
        if (!c.withTranscoder) DeleteFileW(transcoder.c_str());
        MessageBoxAnswerer answerer([](const std::wstring&) { return IDOK; });
        onConvert();
        const std::vector<std::wstring> told = answerer.answered();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], c.message);
        EXPECT_EQ(answerer.owners()[0], window);
        EXPECT_TRUE(gConvertCore->jobs.empty());
        EXPECT_EQ(gConvertCore->outputFolder, L"");
    }
}

TEST_F(ConvertCommand, AListWhoseItemsAllFailToQueueOpensNoDialog) {
    SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    MessageBoxAnswerer answerer([](const std::wstring&) { return IDOK; });
    EXPECT_FALSE(convertToTheEnd());
    EXPECT_TRUE(answerer.answered().empty());
    EXPECT_TRUE(gConvertCore->jobs.empty());
    EXPECT_EQ(gConvertCore->transcoderPath, transcoder);
}

TEST_F(ConvertCommand, TheEngineGetsTheChosenPresetAndTheFinishedItemsEndSelected) {
    addSource(L"a.wav", fakeSource({{"steps", "2"}}));
    addSource(L"b.wav", fakeSource({{"output", "none"}, {"steps", "1"}}));
    addSource(L"c.wav", fakeSource({{"steps", "2"}}));
    SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_SETSEL, TRUE, 1);  // selected before, not after
    SendDlgItemMessageW(window, IDC_PRESET, CB_SETCURSEL, 4, 0);
    EXPECT_TRUE(convertToTheEnd());

    EXPECT_EQ(gConvertCore->transcoderPath, transcoder);
    EXPECT_EQ(gConvertCore->outputFolder, tree.outDir);
    EXPECT_EQ(gConvertCore->outputExtension, L"mp3");
    EXPECT_EQ(gConvertCore->transcoderArguments, L"-acodec libmp3lame -b:a 160k -ac 2 -ar 44100");
    ASSERT_EQ(gConvertCore->jobs.size(), 3u);
    EXPECT_EQ(gConvertCore->jobs[0]->sourcePath, tree.inDir + L"\\a.wav");
    EXPECT_TRUE(selected(0));
    EXPECT_FALSE(selected(1));
    EXPECT_TRUE(selected(2));
    EXPECT_TRUE(fileExists(tree.outDir + L"\\c.mp3"));

    // Remove then takes out exactly the converted files.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_REMOVE, BN_CLICKED), 0);
    const std::vector<std::wstring> left = listItems(window);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], tree.inDir + L"\\b.wav");
}

TEST_F(ConvertCommand, WithNothingSelectedInThePresetBoxTheFirstPresetIsUsed) {
    addSource(L"a.wav", fakeSource({{"steps", "1"}}));
    SendDlgItemMessageW(window, IDC_PRESET, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_TRUE(convertToTheEnd());
    EXPECT_EQ(gConvertCore->outputExtension, L"wav");
    EXPECT_EQ(gConvertCore->transcoderArguments, L"-vn -ar 44100");
}

TEST_F(ConvertCommand, StopThenConvertAgainAtOnceNeverTouchesARunningEngine) {
    addSource(L"slow.wav", fakeSource({{"steps", "12"}, {"interval_ms", "50"}, {"ignore_q", "1"}}));
    // The transcoder ignores "q": after Stop the dialog ends while the worker still runs.
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        DeleteFileW((tree.outDir + L"\\slow.wav").c_str());  // no overwrite question
        bool stopped = false;
        ThreadTicker ticker([&] {
            HWND dialog = findThreadDialog(L"Progress");
            if (!dialog || stopped) return true;
            if (controlText(dialog, IDC_PROGRESS_FILE).find(L"slow.wav") == std::wstring::npos) return true;
            gConvertCore->requestStop();  // what Stop answered Yes does
            stopped = true;
            return false;
        });
        // The previous round's Convert has just returned: this one follows at once.
        onConvert();
        EXPECT_TRUE(stopped);
        EXPECT_TRUE(gConvertCore->waitForWorker(0)) << "Convert returned while the worker still ran";
        const EngineState end = gConvertCore->state.load();
        EXPECT_TRUE(end == Stopped || end == Finished) << end;
    }
}

TEST_F(ConvertCommand, StopThenCloseAtOnceClosesOnlyAfterTheWorkerHasEnded) {
    addSource(L"slow.wav", fakeSource({{"steps", "12"}, {"interval_ms", "50"}, {"ignore_q", "1"}}));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        DeleteFileW((tree.outDir + L"\\slow.wav").c_str());  // no overwrite question
        if (!window) window = openMainWindow(IDD_MAIN);
        setFolder(tree.outDir);
        if (SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_GETCOUNT, 0, 0) == 0) {
            SendDlgItemMessageW(window, IDC_SOURCE_LIST, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>((tree.inDir + L"\\slow.wav").c_str()));
        }
        ThreadTicker ticker([&] {
            HWND dialog = findThreadDialog(L"Progress");
            if (!dialog) return true;
            if (controlText(dialog, IDC_PROGRESS_FILE).find(L"slow.wav") == std::wstring::npos) return true;
            gConvertCore->requestStop();  // what Stop answered Yes does
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);  // close at once
            return false;
        });
        ConvertCore* engine = gConvertCore;
        onConvert();
        // The close waited for the batch: the engine is still there, and its worker has ended.
        EXPECT_EQ(gConvertCore, engine);
        EXPECT_TRUE(engine->waitForWorker(0));
        pumpMessages(100);  // the deferred close now runs
        EXPECT_EQ(gConvertCore, nullptr);
        DestroyWindow(window);
        window = nullptr;
    }
}

}  // namespace
