#include "convert_core.h"

ConvertCore* gConvertCore = nullptr;

ConvertCore::ConvertCore()
    : jobLock(CreateEventW(nullptr, FALSE, TRUE, nullptr)),
      workerThread(nullptr),
      state(Idle),
      currentJobIndex(-1),
      trackProgress(false),
      overwriteCallback(nullptr),
      callbackContext(nullptr),
      workerExitHandle(nullptr) {}

ConvertCore::~ConvertCore() {
    {
        JobLockGuard guard(jobLock);
        deleteJobs();
    }
    if (workerExitHandle) CloseHandle(workerExitHandle);
    CloseHandle(jobLock);
}

bool ConvertCore::supportsPresets() { return true; }

bool ConvertCore::clear() { return clearJobs(); }

void ConvertCore::deleteJobs() {
    for (ConvertJob* job : jobs) delete job;
    jobs.clear();
    jobsBySource.clear();
}

bool ConvertCore::clearJobs() {
    JobLockGuard guard(jobLock);
    deleteJobs();
    currentJobIndex = -1;
    return true;
}

bool ConvertCore::hasJob(const wchar_t* sourcePath) const {
    return jobsBySource.count(std::wstring(sourcePath)) != 0;
}

bool ConvertCore::addJob(const wchar_t* sourcePath) {
    if (hasJob(sourcePath)) return false;
    JobLockGuard guard(jobLock);
    ConvertJob* job = new ConvertJob;
    job->index = static_cast<int32_t>(jobs.size());
    job->sourcePath = sourcePath;
    jobs.push_back(job);
    jobsBySource[job->sourcePath] = job;
    return true;
}

bool ConvertCore::getCurrentJob(ConvertJob& job) {
    JobLockGuard guard(jobLock);
    if (currentJobIndex < 0) return false;
    job = *jobs[static_cast<size_t>(currentJobIndex)];
    return true;
}

void ConvertCore::setJobProgress(int32_t jobIndex, int32_t percent) {
    if (jobIndex < 0 || static_cast<size_t>(jobIndex) >= jobs.size()) return;
    JobLockGuard guard(jobLock);
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    jobs[static_cast<size_t>(jobIndex)]->progressPercent = percent;
}

int32_t ConvertCore::countCompleted() {
    JobLockGuard guard(jobLock);
    int32_t count = 0;
    for (const ConvertJob* job : jobs) {
        if (job->progressPercent == 100) ++count;
    }
    return count;
}
