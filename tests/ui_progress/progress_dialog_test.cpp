#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "../engine_run/engine_fixture.h"
#include "dialog_driver.h"
#include "progress_dialog.h"
#include "resource.h"

namespace {

// The progress bar's window class comes with the common controls.
void registerCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

// A dialog procedure that only lets the template be created, so that an update can be
// looked at on its own, against an engine in a state the test sets.
INT_PTR CALLBACK inertDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class ProgressViews : public ::testing::Test {
protected:
    void SetUp() override {
        registerCommonControls();
        gConvertCore = &engine;
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr,
                                    inertDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        if (dialog) DestroyWindow(dialog);
        gConvertCore = nullptr;
    }
    void queue(int count) {
        for (int i = 0; i < count; ++i) engine.addJob((L"C:\\in\\" + std::to_wstring(i) + L".wav").c_str());
    }
    int barMaximum() const { return static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0)); }
    int barPosition() const { return static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0)); }
    bool closePosted() const {
        MSG message;
        while (PeekMessageW(&message, dialog, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            if (LOWORD(message.wParam) == IDC_CLOSE) return true;
        }
        return false;
    }

    ConvertCore engine;
    HWND dialog = nullptr;
};

TEST_F(ProgressViews, TotalsTruncateWhileRunningAndRoundOnceFinished) {
    const struct {
        int32_t index, percent, count;
        const wchar_t* text;
    } running[] = {
        {2, 40, 12, L"3 / 12 (20%)"}, {0, 99, 1, L"1 / 1 (99%)"}, {0, 100, 3, L"1 / 3 (33%)"},
        {0, 0, 10, L"1 / 10 (0%)"},   {9, 100, 10, L"10 / 10 (100%)"},
    };
    for (const auto& r : running) EXPECT_EQ(runningTotalText(r.index, r.percent, r.count), r.text);

    const struct {
        int32_t completed, count;
        const wchar_t* text;
    } finished[] = {
        {1, 3, L"1 / 3 (33%)"}, {2, 3, L"2 / 3 (67%)"},     {11, 12, L"11 / 12 (92%)"},
        {1, 8, L"1 / 8 (13%)"}, {0, 5, L"0 / 5 (0%)"},      {7, 7, L"7 / 7 (100%)"},
    };
    for (const auto& f : finished) EXPECT_EQ(finishedTotalText(f.completed, f.count), f.text);
}

TEST_F(ProgressViews, RunningViewShowsTheCurrentSourceAndTheOverallBar) {
    queue(12);
    engine.state = Running;
    onProgressTimer(dialog);  // no current job yet: the template texts stay, the bar is empty
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_FILE), L"File Name");
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"Total 1/10");
    EXPECT_EQ(barMaximum(), 0);

    engine.currentJobIndex = 2;
    engine.setJobProgress(2, 40);
    onProgressTimer(dialog);
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_FILE), L"C:\\in\\2.wav");
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"3 / 12 (20%)");
    EXPECT_EQ(barMaximum(), 1200);
    EXPECT_EQ(barPosition(), 240);
    EXPECT_FALSE(closePosted());

    // Between two jobs the finished one still counts.
    engine.setJobProgress(2, 100);
    onProgressTimer(dialog);
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"3 / 12 (25%)");
}

TEST_F(ProgressViews, FinishedViewShowsCompleteTheRoundedCountAndCloseOnly) {
    queue(12);
    for (int i = 0; i < 11; ++i) engine.setJobProgress(i, 100);
    engine.state = Finished;
    onProgressTimer(dialog);
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_FILE), L"Complete");
    EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"11 / 12 (92%)");
    EXPECT_FALSE(controlVisible(dialog, IDC_PROGRESS_BAR));
    EXPECT_FALSE(controlVisible(dialog, IDC_STOP));
    EXPECT_TRUE(controlVisible(dialog, IDC_CLOSE));
    EXPECT_FALSE(closePosted()) << "a finished batch waits for Close";
}

TEST_F(ProgressViews, AStopStateEndsTheDialogThroughAPostedClose) {
    queue(2);
    for (EngineState state : {StopRequested, Stopped, Idle}) {
        SCOPED_TRACE(state);
        engine.state = state;
        onProgressTimer(dialog);
        EXPECT_FALSE(controlVisible(dialog, IDC_STOP));
        EXPECT_TRUE(controlVisible(dialog, IDC_CLOSE));
        EXPECT_TRUE(closePosted());
        EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"Total 1/10");
    }
}

TEST_F(ProgressViews, WithoutATimerStopStillEndsTheDialog) {
    queue(1);
    engine.state = Running;
    gProgressTimerId = 0;
    MessageBoxAnswerer answerer([](const std::wstring&) { return IDYES; });
    confirmStop(dialog);
    EXPECT_EQ(engine.state.load(), StopRequested);
    EXPECT_TRUE(closePosted());
    ASSERT_EQ(answerer.answered().size(), 1u);
    EXPECT_EQ(answerer.answered()[0], L"Are you sure you want to stop the conversion?");
}

// The real dialog, modal, running batches against the transcoder test double.
class ProgressDialogRun : public EngineRun {
protected:
    ProgressDialogRun() : EngineRun(L"progress") {
        registerCommonControls();
        gConvertCore = &engine;
    }
    ~ProgressDialogRun() override {
        engine.waitForWorker(30000);
        gConvertCore = nullptr;
    }
    INT_PTR runDialog() {
        return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, progressDialogProc, 0);
    }
    static void click(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

TEST_F(ProgressDialogRun, ABatchEndsInTheFinishedViewAndCloseEndsTheDialog) {
    addSource(L"one.wav", fakeSource({{"steps", "3"}, {"interval_ms", "150"}}));
    addSource(L"two.wav", fakeSource({{"steps", "3"}, {"interval_ms", "150"}}));
    addSource(L"three.wav", fakeSource({{"output", "none"}, {"steps", "1"}}));
    bool sawRunning = false;
    bool sawFinished = false;
    ThreadTicker ticker([&] {
        HWND dialog = findThreadDialog(L"Progress");
        if (!dialog) return true;
        if (controlText(dialog, IDC_PROGRESS_FILE).find(L"one.wav") != std::wstring::npos) {
            sawRunning = controlVisible(dialog, IDC_STOP) && !controlVisible(dialog, IDC_CLOSE);
        }
        if (controlText(dialog, IDC_PROGRESS_FILE) == L"Complete") {
            sawFinished = true;
            EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"2 / 3 (67%)");
            EXPECT_TRUE(controlVisible(dialog, IDC_CLOSE));
            EXPECT_FALSE(controlVisible(dialog, IDC_STOP));
            EXPECT_FALSE(controlVisible(dialog, IDC_PROGRESS_BAR));
            click(dialog, IDC_CLOSE);
            return false;
        }
        return true;
    });
    EXPECT_EQ(runDialog(), 1);
    EXPECT_FALSE(ticker.timedOut());
    EXPECT_TRUE(sawRunning);
    EXPECT_TRUE(sawFinished);
    EXPECT_EQ(engine.state.load(), Finished);
}

TEST_F(ProgressDialogRun, StopAnsweredYesEndsTheDialogByItselfAndNoChangesNothing) {
    addSource(L"long.wav", fakeSource({{"steps", "100"}, {"interval_ms", "100"}}));
    addSource(L"later.wav", fakeSource({}));
    int answers = 0;
    MessageBoxAnswerer answerer([&](const std::wstring&) { return ++answers == 1 ? IDNO : IDYES; });
    int stage = 0;
    ThreadTicker ticker([&] {
        HWND dialog = findThreadDialog(L"Progress");
        if (!dialog) return true;
        if (stage == 0 && controlText(dialog, IDC_PROGRESS_FILE).find(L"long.wav") != std::wstring::npos) {
            click(dialog, IDC_STOP);  // answered No
            stage = 1;
        } else if (stage == 1 && answerer.answered().size() == 1) {
            EXPECT_EQ(engine.state.load(), Running);
            EXPECT_TRUE(controlVisible(dialog, IDC_STOP));
            click(dialog, IDC_STOP);  // answered Yes
            stage = 2;
            return false;
        }
        return true;
    });
    EXPECT_EQ(runDialog(), 1);
    EXPECT_FALSE(ticker.timedOut());
    ASSERT_EQ(answerer.answered().size(), 2u);
    EXPECT_EQ(answerer.answered()[1], L"Are you sure you want to stop the conversion?");
    const EngineState end = engine.state.load();
    EXPECT_TRUE(end == StopRequested || end == Stopped) << end;
    ASSERT_TRUE(engine.waitForWorker(20000));
    EXPECT_EQ(engine.state.load(), Stopped);
    EXPECT_EQ(engine.jobs[1]->outputPath, L"");
}

TEST_F(ProgressDialogRun, TheBatchFinishingWhileTheStopQuestionIsOpenKeepsTheFinishedView) {
    addSource(L"short.wav", fakeSource({{"steps", "2"}, {"interval_ms", "100"}}));
    MessageBoxAnswerer answerer([&](const std::wstring&) { return engine.state.load() == Finished ? IDYES : 0; });
    bool asked = false;
    bool closed = false;
    ThreadTicker ticker([&] {
        HWND dialog = findThreadDialog(L"Progress");
        if (!dialog) return true;
        if (!asked) {
            click(dialog, IDC_STOP);
            asked = true;
            return true;
        }
        if (answerer.answered().size() == 1 && !closed) {
            pumpMessages(300);
            EXPECT_TRUE(IsWindow(dialog)) << "the dialog ended without Close";
            EXPECT_EQ(engine.state.load(), Finished);
            EXPECT_EQ(controlText(dialog, IDC_PROGRESS_FILE), L"Complete");
            EXPECT_EQ(controlText(dialog, IDC_PROGRESS_TOTAL), L"1 / 1 (100%)");
            click(dialog, IDC_CLOSE);
            closed = true;
            return false;
        }
        return true;
    });
    EXPECT_EQ(runDialog(), 1);
    EXPECT_FALSE(ticker.timedOut());
    EXPECT_TRUE(closed);
}

TEST_F(ProgressDialogRun, EscAndTheCloseRequestLeaveTheDialogOpen) {
    addSource(L"steady.wav", fakeSource({{"steps", "4"}, {"interval_ms", "200"}}));
    int stage = 0;
    HWND seen = nullptr;
    ThreadTicker ticker([&] {
        HWND dialog = findThreadDialog(L"Progress");
        if (!dialog) return true;
        seen = dialog;
        if (stage == 0) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            stage = 1;
            return true;
        }
        if (controlText(dialog, IDC_PROGRESS_FILE) == L"Complete") {
            // Also in the finished view.
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            pumpMessages(200);
            EXPECT_TRUE(IsWindow(dialog));
            click(dialog, IDC_CLOSE);
            return false;
        }
        return true;
    });
    EXPECT_EQ(runDialog(), 1);
    EXPECT_FALSE(ticker.timedOut());
    EXPECT_NE(seen, nullptr);
}

TEST_F(ProgressDialogRun, TheOverwriteQuestionNamesTheOutputAndNoKeepsTheFile) {
    addSource(L"exists.wav", fakeSource({{"steps", "1"}}));
    const std::wstring output = tree.writeFile(L"out\\exists.mp3", "old");
    MessageBoxAnswerer answerer([](const std::wstring&) { return IDNO; });
    ThreadTicker ticker([&] {
        HWND dialog = findThreadDialog(L"Progress");
        if (dialog && controlText(dialog, IDC_PROGRESS_FILE) == L"Complete") {
            click(dialog, IDC_CLOSE);
            return false;
        }
        return true;
    });
    EXPECT_EQ(runDialog(), 1);
    ASSERT_EQ(answerer.answered().size(), 1u);
    EXPECT_EQ(answerer.answered()[0], L"'" + output + L"' already exists.\nDo you want to replace it?");
    EXPECT_EQ(readFileBytes(output), "old");
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
}

}  // namespace
