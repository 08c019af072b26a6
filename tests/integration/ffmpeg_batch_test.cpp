// Whole batches through the engine with a real Windows FFmpeg as the transcoder.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../engine_run/engine_fixture.h"
#include "audio_converter.h"
#include "run_program.h"

namespace {

class RealBatch : public ::testing::Test {
protected:
    void SetUp() override {
        ffmpeg = realTranscoderPath();
        if (ffmpeg.empty()) GTEST_SKIP() << "no Windows FFmpeg fetched (scripts/fetch-ffmpeg.sh)";
        tree = std::make_unique<TestTree>(L"ffmpeg");
        engine.transcoderPath = tree->installTranscoder(ffmpeg);
        engine.outputFolder = tree->outDir;
    }
    void TearDown() override { engine.waitForWorker(60000); }

    // A sine tone made by the transcoder itself: seconds long, with the given rate and channels.
    std::wstring makeTone(const std::wstring& name, int seconds, int rate, int channels) {
        const std::wstring path = tree->inDir + L"\\" + name;
        const std::wstring command = L"\"" + ffmpeg + L"\" -hide_banner -loglevel error -f lavfi -i sine=frequency=440:duration=" +
                                     std::to_wstring(seconds) + L" -ac " + std::to_wstring(channels) + L" -ar " +
                                     std::to_wstring(rate) + L" -y \"" + path + L"\"";
        runProgram(command, 60000);
        EXPECT_TRUE(fileExists(path)) << toUtf8(path);
        return path;
    }

    void usePreset(int index) {
        engine.outputExtension = profile.getPresetExtension(index);
        engine.transcoderArguments = profile.getPresetArguments(index);
    }

    BatchWatch runBatch() { return runAndWatchBatch(engine, 120000); }

    NoStandardOutput noStandardOutput;
    AudioConverter profile;
    std::wstring ffmpeg;
    std::unique_ptr<TestTree> tree;
    ConvertCore engine;
};

struct PresetExpectation {
    int preset;
    const char* codec;
    // What the report says of each of the two outputs (mono 22050 Hz and stereo 48000 Hz sources).
    const char* firstStream;
    const char* secondStream;
    const char* bitrate;
};

TEST_F(RealBatch, EveryPresetWithAnEncoderGivesTheFormatItAsksFor) {
    const std::wstring mono = makeTone(L"tone mono.wav", 3, 22050, 1);
    const std::wstring stereo = makeTone(L"tone-stereo.flac", 2, 48000, 2);
    const PresetExpectation expectations[] = {
        {0, "pcm_s16le", "44100 Hz, mono", "44100 Hz, stereo", nullptr},
        {2, "ac3", "48000 Hz, stereo", "48000 Hz, stereo", "192 kb/s"},
        {3, "ac3", "48000 Hz, stereo", "48000 Hz, stereo", "384 kb/s"},
        {4, "mp3", "44100 Hz, stereo", "44100 Hz, stereo", "160 kb/s"},
        {5, "vorbis", "22050 Hz, stereo", "48000 Hz, stereo", nullptr},
        {6, "wmav2", "22050 Hz, mono", "48000 Hz, stereo", "160 kb/s"},
    };
    for (const PresetExpectation& e : expectations) {
        SCOPED_TRACE(toUtf8(profile.getPresetName(e.preset)));
        usePreset(e.preset);
        engine.clearJobs();
        engine.addJob(mono.c_str());
        engine.addJob(stereo.c_str());
        runBatch();
        EXPECT_EQ(engine.state.load(), Finished);
        EXPECT_EQ(engine.countCompleted(), 2);
        const char* streams[] = {e.firstStream, e.secondStream};
        for (size_t i = 0; i < 2; ++i) {
            const std::wstring output = engine.jobs[i]->outputPath;
            ASSERT_TRUE(fileExists(output)) << toUtf8(output);
            const std::string report = mediaReport(ffmpeg, output);
            EXPECT_NE(report.find(std::string("Audio: ") + e.codec), std::string::npos) << report;
            EXPECT_NE(report.find(streams[i]), std::string::npos) << report;
            if (e.bitrate) {
                EXPECT_NE(report.find(e.bitrate), std::string::npos) << report;
            }
            // Both AC-3 presets write .ac3: an output left behind would not be replaced.
            DeleteFileW(output.c_str());
        }
        EXPECT_EQ(engine.jobs[0]->durationSeconds, 3u);
        EXPECT_EQ(engine.jobs[1]->durationSeconds, 2u);
    }
}

TEST_F(RealBatch, TheMpeg4AudioPresetsEncoderIsMissingSoItsJobsEndAtZero) {
    const std::wstring source = makeTone(L"tone.wav", 2, 44100, 2);
    usePreset(1);
    engine.addJob(source.c_str());
    runBatch();
    EXPECT_EQ(engine.state.load(), Finished);
    EXPECT_EQ(engine.countCompleted(), 0);
    EXPECT_FALSE(fileExists(tree->outDir + L"\\tone.m4a"));
}

TEST_F(RealBatch, ProgressRisesThroughALongConversion) {
    const std::wstring source = makeTone(L"long.wav", 600, 22050, 1);
    usePreset(4);
    engine.addJob(source.c_str());
    const BatchWatch watch = runBatch();
    EXPECT_EQ(engine.jobs[0]->durationSeconds, 600u);
    EXPECT_TRUE(watch.sawBetween()) << "no progress between 0 and 100 was seen";
    for (size_t i = 1; i < watch.progressSeen.size(); ++i) {
        if (watch.progressSeen[i] != 0) {
            EXPECT_GE(watch.progressSeen[i], watch.progressSeen[i - 1]);
        }
    }
    EXPECT_EQ(engine.countCompleted(), 1);
}

TEST_F(RealBatch, StopEndsTheTranscoderWithAShortenedButValidOutput) {
    const std::wstring source = makeTone(L"stop me.wav", 600, 22050, 1);
    const std::wstring next = makeTone(L"never.wav", 2, 22050, 1);
    usePreset(4);
    engine.addJob(source.c_str());
    engine.addJob(next.c_str());
    ASSERT_TRUE(engine.start());
    const DWORD began = GetTickCount();
    ConvertJob job;
    while (!(engine.getCurrentJob(job) && job.progressPercent > 0) && GetTickCount() - began < 60000) Sleep(20);
    ASSERT_GT(job.progressPercent, 0);
    engine.requestStop();
    ASSERT_TRUE(engine.waitForWorker(30000));

    EXPECT_EQ(engine.state.load(), Stopped);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
    EXPECT_EQ(engine.jobs[1]->outputPath, L"");
    const std::string report = mediaReport(ffmpeg, engine.jobs[0]->outputPath);
    EXPECT_NE(report.find("Audio: mp3"), std::string::npos) << report;
    const size_t marker = report.find("Duration: ");
    ASSERT_NE(marker, std::string::npos) << report;
    EXPECT_LT(report.substr(marker + 10, 8), "00:10:00") << report;
}

TEST_F(RealBatch, ANameWithPercentSignsConvertsEndToEnd) {
    const std::wstring source = makeTone(L"100% hits %PATH% x.wav", 2, 44100, 2);
    usePreset(4);
    engine.addJob(source.c_str());
    runBatch();
    const std::wstring output = tree->outDir + L"\\100% hits %PATH% x.mp3";
    ASSERT_TRUE(fileExists(output));
    EXPECT_NE(mediaReport(ffmpeg, output).find("Audio: mp3"), std::string::npos);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
    EXPECT_EQ(engine.jobs[0]->durationSeconds, 2u);
}

}  // namespace
