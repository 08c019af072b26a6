// The conversion engine: one batch of jobs, its run state and the worker that runs it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum EngineState : int32_t {
    Idle = 0,
    Running = 1,
    StopRequested = 2,
    Stopped = 3,
    Finished = 4,
};

// One queued conversion. Also a plain value: getCurrentJob copies it out.
struct ConvertJob {
    int32_t index = 0;
    std::wstring sourcePath;
    std::wstring outputPath;
    uint32_t durationSeconds = 0;
    int32_t progressPercent = 0;
};

// Request code of the overwrite callback: may the current job's existing output be replaced?
constexpr int32_t kOverwriteRequest = 1;

// Called on the worker thread; returns 1 to replace the existing output file.
typedef int32_t (*OverwriteCallback)(int32_t requestCode, HWND context);

class ConvertCore {
public:
    ConvertCore();
    virtual ~ConvertCore();

    ConvertCore(const ConvertCore&) = delete;
    ConvertCore& operator=(const ConvertCore&) = delete;

    virtual bool supportsPresets();
    virtual bool clear();
    virtual bool convert(const std::wstring& sourcePath, const std::wstring& outputPath);
    virtual bool start();
    virtual void onBatchEnd();

    // Job list.
    bool clearJobs();
    bool hasJob(const wchar_t* sourcePath) const;
    bool addJob(const wchar_t* sourcePath);
    bool getCurrentJob(ConvertJob& job);
    void setJobProgress(int32_t jobIndex, int32_t percent);
    int32_t countCompleted();

    // Output naming and job scripts.
    std::wstring makeOutputPath(const std::wstring& sourcePath, const std::wstring& folder) const;
    std::wstring writeJobScript(const std::wstring& sourcePath, const std::wstring& options,
                                const std::wstring* outputPath) const;

    // Transcoder runs.
    bool runProcess(wchar_t* commandLine);
    void readTranscoderOutput(HANDLE outputPipe);
    bool runProcess2(const wchar_t* scriptPath, std::string* logText);

    // Worker and stop.
    void runProc();
    uint32_t probeDuration(const std::wstring& sourcePath);
    void requestStop();
    // Waits until the worker thread of the last start has exited (true), or the time-out
    // passes (false). True at once when no worker was ever started. The engine may be
    // cleared, restarted or deleted only after this has returned true.
    bool waitForWorker(DWORD timeoutMs);

    HANDLE jobLock;
    HANDLE workerThread;
    std::wstring transcoderPath;
    std::wstring outputFolder;
    std::wstring transcoderArguments;
    std::wstring outputExtension;
    std::vector<ConvertJob*> jobs;
    std::map<std::wstring, ConvertJob*> jobsBySource;
    std::atomic<EngineState> state;
    int32_t currentJobIndex;
    bool trackProgress;
    OverwriteCallback overwriteCallback;
    HWND callbackContext;

private:
    void deleteJobs();

    // A second handle to the last worker thread, owned by the engine alone: the worker
    // closes workerThread itself as it ends, so waiting must not use that one.
    HANDLE workerExitHandle;
};

// jobLock is an automatic-reset event: waiting takes it, setting it releases it.
class JobLockGuard {
public:
    explicit JobLockGuard(HANDLE lock) : lock_(lock) { WaitForSingleObject(lock_, INFINITE); }
    ~JobLockGuard() { SetEvent(lock_); }
    JobLockGuard(const JobLockGuard&) = delete;
    JobLockGuard& operator=(const JobLockGuard&) = delete;

private:
    HANDLE lock_;
};

extern ConvertCore* gConvertCore;
