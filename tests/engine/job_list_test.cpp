#include <gtest/gtest.h>

#include "convert_core.h"

namespace {

TEST(JobList, DuplicatesAreRefusedByExactCaseSensitiveComparison) {
    ConvertCore engine;
    EXPECT_TRUE(engine.addJob(L"C:\\a.mp3"));
    EXPECT_FALSE(engine.addJob(L"C:\\a.mp3"));
    EXPECT_TRUE(engine.addJob(L"C:\\A.mp3"));
    EXPECT_TRUE(engine.addJob(L"C:\\b.mp3"));

    ASSERT_EQ(engine.jobs.size(), 3u);
    const wchar_t* expected[] = {L"C:\\a.mp3", L"C:\\A.mp3", L"C:\\b.mp3"};
    for (size_t i = 0; i < 3; ++i) {
        const ConvertJob& job = *engine.jobs[i];
        EXPECT_EQ(job.index, static_cast<int32_t>(i));
        EXPECT_EQ(job.sourcePath, expected[i]);
        EXPECT_EQ(job.outputPath, L"");
        EXPECT_EQ(job.durationSeconds, 0u);
        EXPECT_EQ(job.progressPercent, 0);
        EXPECT_EQ(engine.jobsBySource.at(job.sourcePath), &job);
    }
    EXPECT_EQ(engine.jobsBySource.size(), 3u);
    EXPECT_TRUE(engine.hasJob(L"C:\\A.mp3"));
    EXPECT_FALSE(engine.hasJob(L"c:\\a.mp3"));
}

TEST(JobList, ClearJobsEmptiesTheListAndLetsAPathBeQueuedAgainAtIndexZero) {
    ConvertCore engine;
    EXPECT_TRUE(engine.clearJobs());
    EXPECT_EQ(engine.currentJobIndex, -1);

    engine.addJob(L"C:\\a.mp3");
    engine.addJob(L"C:\\b.mp3");
    engine.currentJobIndex = 1;
    EXPECT_TRUE(engine.clear());
    EXPECT_TRUE(engine.jobs.empty());
    EXPECT_TRUE(engine.jobsBySource.empty());
    EXPECT_EQ(engine.currentJobIndex, -1);
    EXPECT_EQ(engine.state.load(), Idle);

    EXPECT_TRUE(engine.addJob(L"C:\\b.mp3"));
    EXPECT_EQ(engine.jobs[0]->index, 0);
}

TEST(JobList, ProgressIsClampedAndOutOfRangeIndicesAreIgnored) {
    ConvertCore engine;
    engine.addJob(L"C:\\a.mp3");
    engine.addJob(L"C:\\b.mp3");

    struct Case {
        int32_t index;
        int32_t percent;
        int32_t expectedFirst;
        int32_t expectedSecond;
    } cases[] = {
        {0, -5, 0, 0},   {0, 250, 100, 0}, {0, 42, 42, 0}, {1, 100, 42, 100},
        {5, 77, 42, 100}, {-1, 77, 42, 100}, {2, 77, 42, 100}, {1, INT32_MIN, 42, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << " " << c.percent);
        engine.setJobProgress(c.index, c.percent);
        EXPECT_EQ(engine.jobs[0]->progressPercent, c.expectedFirst);
        EXPECT_EQ(engine.jobs[1]->progressPercent, c.expectedSecond);
    }
}

TEST(JobList, CountCompletedCountsOnlyJobsAtExactlyOneHundred) {
    ConvertCore engine;
    for (const wchar_t* path : {L"C:\\1.mp3", L"C:\\2.mp3", L"C:\\3.mp3", L"C:\\4.mp3"}) engine.addJob(path);
    EXPECT_EQ(engine.countCompleted(), 0);
    engine.setJobProgress(0, 100);
    engine.setJobProgress(1, 99);
    engine.setJobProgress(3, 300);
    EXPECT_EQ(engine.countCompleted(), 2);
}

TEST(JobList, CurrentJobIsCopiedOnlyWhileOneIsCurrent) {
    ConvertCore engine;
    engine.addJob(L"C:\\a.mp3");
    engine.addJob(L"C:\\b.mp3");

    ConvertJob copy;
    copy.index = 99;
    copy.sourcePath = L"untouched";
    EXPECT_FALSE(engine.getCurrentJob(copy));
    EXPECT_EQ(copy.index, 99);
    EXPECT_EQ(copy.sourcePath, L"untouched");

    engine.currentJobIndex = 1;
    engine.jobs[1]->outputPath = L"D:\\out\\b.wav";
    engine.jobs[1]->durationSeconds = 205;
    engine.setJobProgress(1, 37);
    ASSERT_TRUE(engine.getCurrentJob(copy));
    EXPECT_EQ(copy.index, 1);
    EXPECT_EQ(copy.sourcePath, L"C:\\b.mp3");
    EXPECT_EQ(copy.outputPath, L"D:\\out\\b.wav");
    EXPECT_EQ(copy.durationSeconds, 205u);
    EXPECT_EQ(copy.progressPercent, 37);
}

TEST(JobList, NewEngineIsIdleWithAFreeLockAndSupportsPresets) {
    ConvertCore engine;
    EXPECT_EQ(engine.state.load(), Idle);
    EXPECT_EQ(engine.workerThread, nullptr);
    EXPECT_EQ(engine.currentJobIndex, -1);
    EXPECT_FALSE(engine.trackProgress);
    EXPECT_EQ(engine.overwriteCallback, nullptr);
    EXPECT_TRUE(engine.supportsPresets());
    // The lock is free: taking it does not wait, and it is automatic-reset, so a second
    // taker would wait until it is released.
    EXPECT_EQ(WaitForSingleObject(engine.jobLock, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(engine.jobLock, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(engine.jobLock);
    EXPECT_TRUE(engine.waitForWorker(0));
}

}  // namespace
