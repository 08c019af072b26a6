// An engine wired to the transcoder test double in a scratch tree, and ways to watch a batch.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert_core.h"
#include "test_files.h"
#include "test_tree.h"
#include "transcoders.h"

// A windowed program has no standard output; the engine's output reader relies on that.
class NoStandardOutput {
public:
    NoStandardOutput() : saved_(GetStdHandle(STD_OUTPUT_HANDLE)) { SetStdHandle(STD_OUTPUT_HANDLE, nullptr); }
    ~NoStandardOutput() { SetStdHandle(STD_OUTPUT_HANDLE, saved_); }
    NoStandardOutput(const NoStandardOutput&) = delete;
    NoStandardOutput& operator=(const NoStandardOutput&) = delete;

private:
    HANDLE saved_;
};

// What a watcher saw of the current job while the batch ran.
struct BatchWatch {
    std::vector<int32_t> progressSeen;  // distinct values, in the order seen
    bool sawBetween() const {
        for (int32_t p : progressSeen) {
            if (p > 0 && p < 100) return true;
        }
        return false;
    }
};

// Starts the batch and polls the current job until the worker has ended.
inline BatchWatch runAndWatchBatch(ConvertCore& engine, DWORD timeoutMs) {
    BatchWatch watch;
    EXPECT_TRUE(engine.start());
    const DWORD began = GetTickCount();
    while (!engine.waitForWorker(20)) {
        ConvertJob job;
        if (engine.getCurrentJob(job) &&
            (watch.progressSeen.empty() || watch.progressSeen.back() != job.progressPercent)) {
            watch.progressSeen.push_back(job.progressPercent);
        }
        if (GetTickCount() - began > timeoutMs) {
            ADD_FAILURE() << "the batch did not end in time";
            engine.requestStop();
            break;
        }
    }
    return watch;
}

class EngineRun : public ::testing::Test {
protected:
    explicit EngineRun(const wchar_t* name = L"engine") : tree(name) {
        engine.transcoderPath = tree.installTranscoder(fakeTranscoderPath());
        engine.outputFolder = tree.outDir;
        engine.outputExtension = L"mp3";
        engine.transcoderArguments = L"-acodec libmp3lame -b:a 160k -ac 2 -ar 44100";
    }
    ~EngineRun() override { engine.waitForWorker(30000); }

    // A source for the test double, steered by its content; returns its full path.
    std::wstring addSource(const std::wstring& name, const std::string& steering) {
        const std::wstring path = tree.writeFile(L"in\\" + name, steering);
        engine.addJob(path.c_str());
        return path;
    }

    BatchWatch runBatch(DWORD timeoutMs = 60000) { return runAndWatchBatch(engine, timeoutMs); }

    // Waits until the predicate holds or the time passes; returns whether it held.
    template <typename Predicate>
    bool waitFor(Predicate holds, DWORD timeoutMs = 20000) {
        const DWORD began = GetTickCount();
        while (!holds()) {
            if (GetTickCount() - began > timeoutMs) return false;
            Sleep(10);
        }
        return true;
    }

    static std::string record(const std::wstring& source) { return readFileBytes(source + L".record"); }
    static size_t count(const std::string& text, const std::string& part) {
        size_t found = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
        return found;
    }

    NoStandardOutput noStandardOutput;
    TestTree tree;
    ConvertCore engine;
};
