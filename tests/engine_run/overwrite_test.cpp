#include <gtest/gtest.h>

#include <atomic>

#include "engine_fixture.h"

namespace {

struct CallbackLog {
    std::atomic<int> calls{0};
    int32_t lastCode = 0;
    HWND lastContext = nullptr;
    std::wstring outputSeen;
    int32_t answer = 0;
    ConvertCore* engine = nullptr;
};

CallbackLog* gCallbackLog = nullptr;

int32_t answeringCallback(int32_t requestCode, HWND context) {
    CallbackLog& log = *gCallbackLog;
    ++log.calls;
    log.lastCode = requestCode;
    log.lastContext = context;
    ConvertJob job;
    if (log.engine->getCurrentJob(job)) log.outputSeen = job.outputPath;
    return log.answer;
}

class OverwriteBatch : public EngineRun {
protected:
    OverwriteBatch() {
        log.engine = &engine;
        gCallbackLog = &log;
    }
    ~OverwriteBatch() override { gCallbackLog = nullptr; }
    CallbackLog log;
};

TEST_F(OverwriteBatch, AnExistingOutputIsReplacedOnlyWhenTheCallbackAnswersOne) {
    const HWND context = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    const struct {
        const char* name;
        bool withCallback;
        int32_t answer;
        bool replaced;
    } cases[] = {
        {"answer 0", true, 0, false},
        {"answer 1", true, 1, true},
        {"answer 2", true, 2, false},
        {"no callback", false, 0, false},
    };
    const std::wstring source = addSource(L"song.wav", fakeSource({{"steps", "1"}}));
    const std::wstring output = tree.outDir + L"\\song.mp3";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tree.writeFile(L"out\\song.mp3", "keep me");
        log.calls = 0;
        log.answer = c.answer;
        log.outputSeen.clear();
        engine.overwriteCallback = c.withCallback ? answeringCallback : nullptr;
        engine.callbackContext = context;
        runBatch();

        EXPECT_EQ(log.calls.load(), c.withCallback ? 1 : 0);
        if (c.withCallback) {
            EXPECT_EQ(log.lastCode, 1);
            EXPECT_EQ(log.lastContext, context);
            EXPECT_EQ(log.outputSeen, output);
        }
        const bool replaced = readFileBytes(output) != "keep me";
        EXPECT_EQ(replaced, c.replaced);
        EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
        EXPECT_EQ(engine.state.load(), Finished);
    }
}

TEST_F(OverwriteBatch, AnOutputThatCannotBeReadStillCountsAsExisting) {
    tree.writeFile(L"out\\locked.mp3", "locked");
    const std::wstring output = tree.outDir + L"\\locked.mp3";
    HANDLE lock = CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    addSource(L"locked.wav", fakeSource({{"steps", "1"}}));
    log.answer = 0;
    engine.overwriteCallback = answeringCallback;
    runBatch();
    CloseHandle(lock);

    EXPECT_EQ(log.calls.load(), 1) << "the locked file was not taken for an existing one";
    EXPECT_EQ(readFileBytes(output), "locked");
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
}

TEST_F(OverwriteBatch, AFolderOfTheOutputsNameIsNotAnExistingOutput) {
    CreateDirectoryW((tree.outDir + L"\\folder.mp3").c_str(), nullptr);
    addSource(L"folder.wav", fakeSource({{"steps", "1"}}));
    engine.overwriteCallback = answeringCallback;
    runBatch();
    EXPECT_EQ(log.calls.load(), 0);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 0);
}

TEST_F(OverwriteBatch, AnOutputThatIsItsOwnSourceEndsAtOneHundredWithoutARunOrAQuestion) {
    engine.outputFolder = tree.inDir;
    const std::wstring source = addSource(L"same.mp3", fakeSource({}));
    engine.overwriteCallback = answeringCallback;
    runBatch();
    EXPECT_EQ(engine.jobs[0]->outputPath, source);
    EXPECT_EQ(engine.jobs[0]->progressPercent, 100);
    EXPECT_EQ(log.calls.load(), 0);
    EXPECT_EQ(record(source), "");
}

}  // namespace
