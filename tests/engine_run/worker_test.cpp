#include <gtest/gtest.h>

#include <set>

#include "app_data.h"
#include "output_parser.h"
#include "script_folder_blocker.h"
#include "debug_capture.h"
#include "engine_fixture.h"

namespace {

using WorkerBatch = EngineRun;

std::set<std::wstring> filesMatching(const std::wstring& pattern) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

TEST_F(WorkerBatch, ConvertsEveryJobInOrderWithProbeThenConvert) {
    const std::wstring first = addSource(L"first.wav", fakeSource({{"steps", "6"}, {"interval_ms", "150"}}));
    const std::wstring second = addSource(L"second.flac", fakeSource({{"duration", "00:00:03.00"}, {"steps", "2"}}));

    const std::set<std::wstring> scriptsBefore = filesMatching(roamingAppDataFolder() + L"\\Lumiq\\zelt*.bat");
    const std::set<std::wstring> logsBefore = filesMatching(roamingAppDataFolder() + L"\\kalder*.txt");
    const BatchWatch watch = runBatch();

    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_EQ(engine.countCompleted(), 2);
    EXPECT_EQ(engine.currentJobIndex, -1);
    EXPECT_EQ(engine.workerThread, nullptr);
    EXPECT_TRUE(watch.sawBetween()) << "no progress between 0 and 100 was seen";
    EXPECT_EQ(engine.jobs[0]->outputPath, tree.outDir + L"\\first.mp3");
    EXPECT_EQ(engine.jobs[1]->outputPath, tree.outDir + L"\\second.mp3");
    EXPECT_EQ(engine.jobs[0]->durationSeconds, 5u);
    EXPECT_EQ(engine.jobs[1]->durationSeconds, 3u);
    EXPECT_TRUE(fileExists(tree.outDir + L"\\first.mp3"));

    const std::string log = record(first);
    const size_t probe = log.find("mode=probe");
    const size_t convert = log.find("mode=convert");
    ASSERT_NE(probe, std::string::npos);
    ASSERT_NE(convert, std::string::npos);
    EXPECT_LT(probe, convert);
    EXPECT_NE(log.find("arg=-y\narg=-i\narg=" + toUtf8(first) +
                       "\narg=-acodec\narg=libmp3lame\narg=-b:a\narg=160k\narg=-ac\narg=2\narg=-ar\narg=44100\narg=" +
                       toUtf8(tree.outDir) + "\\first.mp3\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(count(log, "arg=-y"), 1u);
    EXPECT_EQ(count(record(second), "mode=convert"), 1u);

    // The scripts delete themselves and the engine deletes them and the logs again.
    EXPECT_EQ(filesMatching(roamingAppDataFolder() + L"\\Lumiq\\zelt*.bat"), scriptsBefore);
    EXPECT_EQ(filesMatching(roamingAppDataFolder() + L"\\kalder*.txt"), logsBefore);
}

TEST_F(WorkerBatch, ProgressSurvivesLinesSplitAcrossWritesAndBurstsBeyondThePipeBuffer) {
    const struct {
        const wchar_t* name;
        std::string steering;
    } cases[] = {
        {L"split.wav", fakeSource({{"steps", "6"}, {"interval_ms", "200"}, {"split", "1"}})},
        {L"burst.wav", fakeSource({{"steps", "6"}, {"interval_ms", "150"}, {"burst", "20000"}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(toUtf8(c.name));
        engine.clearJobs();
        addSource(c.name, c.steering);
        const BatchWatch watch = runBatch();
        EXPECT_EQ(engine.state.load(), Finished);
        EXPECT_TRUE(watch.sawBetween());
        EXPECT_EQ(engine.countCompleted(), 1);
    }
}

TEST_F(WorkerBatch, ANulByteHidesTheRestOfItsChunkFromTheParser) {
    // Each line is cut at its NUL, before the carriage return that would end it, so no line
    // ever ends and the text waits in the collected output.
    addSource(L"with-nul.wav", fakeSource({{"steps", "5"}, {"interval_ms", "150"}, {"nul", "1"}}));
    const BatchWatch watch = runBatch();
    EXPECT_FALSE(watch.sawBetween());
    EXPECT_EQ(engine.countCompleted(), 1);
    EXPECT_NE(pendingOutput.find("time="), std::string::npos);
    pendingOutput.clear();
}

TEST_F(WorkerBatch, WithoutAKnownDurationProgressStaysZeroUntilTheOutputDecides) {
    for (const char* duration : {"none", "N/A"}) {
        SCOPED_TRACE(duration);
        engine.clearJobs();
        addSource(std::wstring(L"unknown-") + (duration[0] == 'n' ? L"none" : L"na") + L".wav",
                  fakeSource({{"duration", duration}, {"steps", "5"}, {"interval_ms", "150"}}));
        const BatchWatch watch = runBatch();
        EXPECT_EQ(engine.jobs[0]->durationSeconds, 0u);
        EXPECT_FALSE(watch.sawBetween());
        EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
    }
}

TEST_F(WorkerBatch, AJobThatLeavesNoOutputEndsAtZeroAndTheBatchGoesOn) {
    addSource(L"fails.wav", fakeSource({{"output", "none"}, {"steps", "1"}}));
    addSource(L"works.wav", fakeSource({{"steps", "1"}}));
    runBatch();
    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 0);
    EXPECT_EQ(engine.jobs[1]->progressPercent, 100);
    EXPECT_EQ(engine.countCompleted(), 1);
}

TEST_F(WorkerBatch, AMissingTranscoderLeavesEveryJobAtZero) {
    engine.transcoderPath = tree.coreDir + L"\\missing.exe";
    addSource(L"a.wav", fakeSource({}));
    addSource(L"b.wav", fakeSource({}));
    runBatch();
    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_EQ(engine.countCompleted(), 0);
    EXPECT_EQ(engine.jobs[1]->outputPath, tree.outDir + L"\\b.mp3");
}

TEST_F(WorkerBatch, PercentSignsInNamesReachTheTranscoderUnchanged) {
    const std::wstring source = addSource(L"100% hits %PATH% x.wav", fakeSource({{"steps", "2"}}));
    runBatch();
    const std::string log = record(source);
    EXPECT_NE(log.find("arg=" + toUtf8(source) + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("arg=" + toUtf8(tree.outDir) + "\\100% hits %PATH% x.mp3\n"), std::string::npos) << log;
    EXPECT_TRUE(fileExists(tree.outDir + L"\\100% hits %PATH% x.mp3"));
    EXPECT_EQ(engine.countCompleted(), 1);
}

TEST_F(WorkerBatch, AnEmptyListFinishesAtOnce) {
    runBatch();
    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_EQ(engine.currentJobIndex, -1);
    EXPECT_EQ(engine.workerThread, nullptr);
}

TEST_F(WorkerBatch, ARunThatEndsWithinTheFirstPollIsNeverRead) {
    DebugCapture notes;
    addSource(L"quick.wav", fakeSource({{"steps", "1"}, {"interval_ms", "0"}}));
    runBatch();
    EXPECT_EQ(engine.countCompleted(), 1);
    EXPECT_EQ(notes.text().find("kalder test double"), std::string::npos);
}

TEST_F(WorkerBatch, WithStandardOutputOpenTheWholeConsoleOutputIsCopiedThere) {
    const std::wstring copyPath = tree.root + L"\\stdout.txt";
    HANDLE copy = CreateFileW(copyPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(copy, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_OUTPUT_HANDLE, copy);
    addSource(L"copied.wav", fakeSource({{"steps", "4"}, {"interval_ms", "150"}, {"start_ms", "400"}}));
    runBatch();
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    CloseHandle(copy);

    const std::string copied = readFileBytes(copyPath);
    EXPECT_NE(copied.find("kalder test double"), std::string::npos);
    EXPECT_EQ(count(copied, "time="), 4u);
    EXPECT_EQ(engine.countCompleted(), 1);
}

TEST_F(WorkerBatch, DebugNotesNameEachStepInOrder) {
    DebugCapture notes;
    addSource(L"noted.wav", fakeSource({{"steps", "3"}, {"interval_ms", "200"}, {"duration", "00:00:07.00"}}));
    runBatch();
    const std::string text = notes.text();
    const char* expected[] = {
        "----- runProc : 0 -----\n",
        "runProc : convert\n",
        "----- convert -----\n",
        "----- ConvertCore::runProcess2 -----\n",
        "----- runProcess2 : CloseHandle -----\n",
        "duration:7\n",
        "----------\n",
        "----- ConvertCore::runProcess -----\n",
        "----------\n",
        "----- runProcess : CloseHandle -----\n",
    };
    size_t at = 0;
    for (const char* step : expected) {
        const size_t found = text.find(step, at);
        ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << step << "\n" << text;
        at = found + 1;
    }
}

TEST_F(WorkerBatch, AScriptThatCannotBeWrittenIsReportedAsCreateProcessAndTheJobEndsAtZero) {
    ScriptFolderBlocker blocker(roamingAppDataFolder() + L"\\Lumiq");
    ASSERT_TRUE(blocker.blocking());

    DebugCapture notes;
    const std::wstring source = addSource(L"blocked.wav", fakeSource({}));
    runBatch();

    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 0);
    EXPECT_EQ(engine.jobs[0]->durationSeconds, 0u);
    EXPECT_EQ(record(source), "");
    bool reported = false;
    for (size_t i = 0; i + 1 < notes.noteCount(); ++i) {
        if (notes.note(i) == "CreateProcess" && notes.note(i + 1) == "\n") reported = true;
    }
    EXPECT_TRUE(reported) << notes.text();
}

}  // namespace
