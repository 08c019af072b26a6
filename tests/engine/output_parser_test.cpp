#include <gtest/gtest.h>

#include <string>

#include "convert_core.h"
#include "output_parser.h"

namespace {

TEST(OutputParser, TimestampIsRoundedSecondsOfExactlyThreeFields) {
    const struct {
        const char* text;
        uint32_t seconds;
    } cases[] = {
        {"00:03:25.43", 205}, {" 00:03:25.50", 206}, {"01:00:00.00", 3600}, {"00:00:00.49", 0},
        {"83.45", 0},         {"N/A", 0},            {"1:2:3:4", 0},        {"1:2:", 0},
        {"", 0},              {"aa:bb:cc", 0},       {"-00:00:05.00", 5},   {"1::5", 3605},
        {"10:00:00.00 ", 36000}, {"00:00:01.5junk", 2}, {"1e30:0:0", 0},    {"nan:0:0", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseTimestamp(c.text), c.seconds) << '"' << c.text << '"';
    }
}

TEST(OutputParser, DurationIsTheTimeBetweenTheMarkerAndTheNextComma) {
    const struct {
        const char* report;
        uint32_t seconds;
    } cases[] = {
        {"Input #0, flac, from 'a.flac':\n  Duration: 00:03:25.43, start: 0.000000, bitrate: 320 kb/s\n", 205},
        {"  Duration: N/A, start: 0.000000\n", 0},
        {"Input #0, wav\n  Stream #0:0: Audio: pcm_s16le\n", 0},
        {"  Duration: 00:00:10.00 and no comma after it\n", 0},
        {"", 0},
        {"a, b\n  Duration: 00:00:07.00, start: 0\n  Duration: 00:09:00.00, x\n", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseDuration(c.report), c.seconds) << c.report;
    }
}

class ProgressParsing : public ::testing::Test {
protected:
    void SetUp() override {
        pendingOutput.clear();
        engine.addJob(L"C:\\in\\a.wav");
        engine.currentJobIndex = 0;
        engine.jobs[0]->durationSeconds = 200;
    }
    void TearDown() override { pendingOutput.clear(); }
    int32_t progress() const { return engine.jobs[0]->progressPercent; }

    ConvertCore engine;
};

TEST_F(ProgressParsing, ALineEndingInCarriageReturnSetsThePercentage) {
    parseProgress(engine, "size=    1024kB time=00:01:40.00 bitrate=  83.9kbits/s\r");
    EXPECT_EQ(progress(), 50);
    EXPECT_TRUE(pendingOutput.empty());
}

TEST_F(ProgressParsing, ALineSplitOverTwoChunksCountsWhenItEnds) {
    parseProgress(engine, "size=    1024kB time=00:01:");
    EXPECT_EQ(progress(), 0);
    EXPECT_EQ(pendingOutput, "size=    1024kB time=00:01:");
    parseProgress(engine, "40.00 bitrate=  83.9kbits/s\r");
    EXPECT_EQ(progress(), 50);
    EXPECT_TRUE(pendingOutput.empty());
}

TEST_F(ProgressParsing, OnlyTheFirstTimeOfTheCollectedTextCountsAndIsNeverRoundedUp) {
    parseProgress(engine, "time=00:00:20.00 bitrate=1\rtime=00:03:00.00 bitrate=1\r");
    EXPECT_EQ(progress(), 10);
    engine.jobs[0]->durationSeconds = 1000;
    parseProgress(engine, "time=00:16:39.00 x\n");  // 99.9 %
    EXPECT_EQ(progress(), 99);
}

TEST_F(ProgressParsing, TextsThatGiveNoTimeChangeNothing) {
    engine.setJobProgress(0, 7);
    const char* chunks[] = {
        "size=1kB time=00:01:40.00\r",  // no space after the value
        "size=1kB time=00:00:00.40 bitrate=1\r",  // below half a second
        "frame=1 fps=0.0\n",  // no time at all
        "\r",
    };
    for (const char* chunk : chunks) {
        parseProgress(engine, chunk);
        EXPECT_EQ(progress(), 7) << chunk;
        EXPECT_TRUE(pendingOutput.empty());
    }
}

TEST_F(ProgressParsing, AValueWithoutItsOwnSpaceRunsToASpaceOnALaterLine) {
    // The value is "00:01:40.00\rsize=1"; its seconds field still reads as 40.
    parseProgress(engine, "time=00:01:40.00\rsize=1 x\r");
    EXPECT_EQ(progress(), 50);
    parseProgress(engine, "time=00:01:40.00\rframe=2:3 x\r");  // now four fields
    EXPECT_EQ(progress(), 50);
}

TEST_F(ProgressParsing, TimesBeyondTheDurationAreStoredAsOneHundred) {
    parseProgress(engine, "time=00:05:00.00 bitrate=1\r");
    EXPECT_EQ(progress(), 100);
    parseProgress(engine, "time=999999:00:00.00 bitrate=1\r");
    EXPECT_EQ(progress(), 100);
}

TEST_F(ProgressParsing, ChunksForAJobWithoutDurationAreNeitherParsedNorCollected) {
    engine.jobs[0]->durationSeconds = 0;
    parseProgress(engine, "time=00:01:40.00 bitrate=1\r");
    parseProgress(engine, "time=00:01:");
    EXPECT_EQ(progress(), 0);
    EXPECT_TRUE(pendingOutput.empty());
}

TEST_F(ProgressParsing, NoCurrentJobMeansNoDurationAndNoChange) {
    engine.currentJobIndex = -1;
    parseProgress(engine, "time=00:01:40.00 bitrate=1\r");
    EXPECT_EQ(progress(), 0);
    EXPECT_TRUE(pendingOutput.empty());
}

}  // namespace
