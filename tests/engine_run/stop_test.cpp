#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace {

using StopBatch = EngineRun;

// The milliseconds a call takes.
template <typename Call>
DWORD timed(Call call) {
    const DWORD began = GetTickCount();
    call();
    return GetTickCount() - began;
}

TEST_F(StopBatch, DuringAConversionTheTranscoderGetsQAndNoFurtherJobStarts) {
    const std::wstring first = addSource(L"long.wav", fakeSource({{"steps", "60"}, {"interval_ms", "100"}}));
    const std::wstring second = addSource(L"next.wav", fakeSource({}));
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(waitFor([&] {
        ConvertJob job;
        return engine.getCurrentJob(job) && job.progressPercent > 0;
    }));
    engine.requestStop();
    ASSERT_TRUE(engine.waitForWorker(20000));

    EXPECT_EQ(engine.state.load(), Stopped);
    const std::string log = record(first);
    EXPECT_NE(log.find("stdin=q"), std::string::npos) << log;
    EXPECT_NE(log.find("exit=q"), std::string::npos) << log;
    const std::string output = readFileBytes(tree.outDir + L"\\long.mp3");
    EXPECT_NE(output.find("fake output"), std::string::npos);
    EXPECT_EQ(output.find("steps=60"), std::string::npos) << "the output was not shortened";
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
    EXPECT_EQ(engine.jobs[1]->outputPath, L"");
    EXPECT_EQ(record(second), "");
    EXPECT_EQ(engine.currentJobIndex, -1);
}

TEST_F(StopBatch, DuringAProbeTheWaitIsAbandonedAndTheJobStillEnds) {
    const std::wstring first = addSource(L"slowprobe.wav", fakeSource({{"probe_ms", "1500"}, {"steps", "40"}}));
    const std::wstring second = addSource(L"after.wav", fakeSource({}));
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(waitFor([&] { return record(first).find("mode=probe") != std::string::npos; }));
    engine.requestStop();
    ASSERT_TRUE(engine.waitForWorker(20000));

    EXPECT_EQ(engine.state.load(), Stopped);
    EXPECT_EQ(engine.jobs[0]->durationSeconds, 0u);
    EXPECT_EQ(engine.jobs[1]->outputPath, L"");
    EXPECT_EQ(record(second), "");
    // The abandoned probe ends by itself; let it go before the tree is removed.
    waitFor([&] { return count(record(first), "exit=") >= 2; }, 5000);
    const std::string log = record(first);
    if (log.find("mode=convert") != std::string::npos) {
        EXPECT_NE(log.find("stdin=q"), std::string::npos) << log;
    }
}

TEST_F(StopBatch, RacingTheLastJobsEndNeverLeavesStopRequested) {
    addSource(L"race.wav", fakeSource({{"steps", "2"}, {"interval_ms", "30"}}));
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(engine.start());
        Sleep(static_cast<DWORD>(round * 60));
        engine.requestStop();
        ASSERT_TRUE(engine.waitForWorker(20000));
        const EngineState end = engine.state.load();
        EXPECT_TRUE(end == Finished || end == Stopped) << end;
        EXPECT_EQ(engine.currentJobIndex, -1);
        EXPECT_EQ(engine.workerThread, nullptr);
    }
}

TEST_F(StopBatch, RequestStopWaitsAboutASecondOnAnIdleEngineAndOneCheckOnAnEndedOne) {
    const DWORD idle = timed([&] { engine.requestStop(); });
    EXPECT_EQ(engine.state.load(), Idle);
    EXPECT_GE(idle, 900u);
    EXPECT_LT(idle, 3000u);

    runBatch();
    ASSERT_EQ(engine.state.load(), Finished);
    const DWORD finished = timed([&] { engine.requestStop(); });
    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_GE(finished, 90u);
    EXPECT_LT(finished, 600u);
}

TEST_F(StopBatch, RequestStopReturnsOnceTheWorkerHasEnded) {
    // A transcoder that ignores "q" only ends by itself: the request waits at most a second.
    addSource(L"stubborn.wav", fakeSource({{"steps", "25"}, {"interval_ms", "100"}, {"ignore_q", "1"}}));
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(waitFor([&] {
        ConvertJob job;
        return engine.getCurrentJob(job) && job.progressPercent > 0;
    }));
    const DWORD waited = timed([&] { engine.requestStop(); });
    EXPECT_LT(waited, 1500u);
    EXPECT_EQ(engine.state.load(), StopRequested);
    ASSERT_TRUE(engine.waitForWorker(20000));
    EXPECT_EQ(engine.state.load(), Stopped);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
}

}  // namespace
