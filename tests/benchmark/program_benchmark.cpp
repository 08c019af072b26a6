// Prints what the program costs where a user feels it, against the transcoder test double:
//  (a) how soon a stopped batch lets go: from Stop answered Yes to the progress dialog's end,
//      with the program running as its own process and driven from outside;
//  (b) what one progress update costs, on a live progress dialog in this process;
//  (c) the program's memory along a long batch, sampled from outside every 20 jobs.
// Usage: program_benchmark.exe [stop runs] [updates] [jobs]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../ui_progress/dialog_driver.h"
#include "convert_core.h"
#include "program_driver.h"
#include "progress_dialog.h"
#include "resource.h"
#include "test_files.h"
#include "test_tree.h"
#include "transcoders.h"

namespace {

constexpr DWORD kWindowTimeoutMs = 30000;

std::wstring builtProgramPath() { return windowsPathFromBuild(VELMORA_PROGRAM); }

struct Spread {
    double min = 0;
    double avg = 0;
    double max = 0;
};

Spread spreadOf(const std::vector<double>& values) {
    Spread spread;
    if (values.empty()) return spread;
    spread.min = *std::min_element(values.begin(), values.end());
    spread.max = *std::max_element(values.begin(), values.end());
    for (double value : values) spread.avg += value;
    spread.avg /= static_cast<double>(values.size());
    return spread;
}

// velmora.exe with the test double as its transcoder, in a scratch folder of its own, with its
// sources in in\ and their names in list order.
class ProgramSetup {
public:
    explicit ProgramSetup(const wchar_t* name) : tree(name) {
        const std::wstring copy = tree.root + L"\\velmora.exe";
        ok = CopyFileW(builtProgramPath().c_str(), copy.c_str(), FALSE) != FALSE;
        tree.installTranscoder(fakeTranscoderPath());
        program = std::make_unique<RunningProgram>(copy, tree.root);
        ok = ok && program->started() && program->waitForMainWindow(kWindowTimeoutMs) != nullptr;
        if (!ok) std::fprintf(stderr, "the program did not start\n");
    }

    bool addSources(const std::vector<std::wstring>& names, const std::string& steering) {
        for (const std::wstring& name : names) tree.writeFile(L"in\\" + name, steering);
        const std::string problem = program->addFiles(tree.inDir, names, 60000);
        if (!problem.empty()) {
            std::fprintf(stderr, "adding the sources failed: %s\n", problem.c_str());
            return false;
        }
        const size_t listed = program->listItems().size();
        if (listed != names.size()) {
            std::fprintf(stderr, "%zu of %zu sources reached the list\n", listed, names.size());
            return false;
        }
        return program->setControlText(IDC_OUTPUT_FOLDER, tree.outDir);
    }

    void close() {
        if (!program || !program->running()) return;
        PostMessageW(program->mainWindow(), WM_CLOSE, 0, 0);
        program->waitForExit(kWindowTimeoutMs);
    }

    UnmanagedWindowsFor unmanaged{L"velmora.exe"};
    TestTree tree;
    std::unique_ptr<RunningProgram> program;
    bool ok = false;
};

// ---- (a) Stop to the dialog's end ----

// One batch started, stopped once `ready` holds, Yes answered; the times from Yes to the
// dialog's end and to a usable main window. False when something did not happen.
bool timeOneStop(ProgramSetup& setup, const std::function<bool(HWND)>& ready, double& toDialogEnd, double& toUsable) {
    RunningProgram& program = *setup.program;
    HWND main = program.mainWindow();
    clickButton(main, IDC_CONVERT);
    HWND dialog = program.waitForDialog(L"Progress", kWindowTimeoutMs);
    if (!dialog || !waitUntil([&] { return ready(dialog); }, kWindowTimeoutMs)) return false;
    clickButton(dialog, IDC_STOP);
    HWND question = program.waitForMessageBox(kWindowTimeoutMs);
    if (!question) return false;
    clickButton(question, IDYES);
    const double yes = preciseMs();
    toUsable = 0;
    const bool ended = waitUntil(
        [&] {
            if (toUsable == 0 && IsWindowEnabled(main)) toUsable = preciseMs() - yes;
            return !IsWindow(dialog);
        },
        kWindowTimeoutMs, 1);
    toDialogEnd = preciseMs() - yes;
    if (toUsable == 0) toUsable = toDialogEnd;
    // The next batch may start only once this one's transcoder has quit.
    return ended && program.responsive(kWindowTimeoutMs);
}

void benchmarkStop(int runs) {
    if (runs <= 0) return;
    ProgramSetup setup(L"bench-stop");
    if (!setup.ok) return;
    // Ten seconds of conversion a file, after a probe of two seconds.
    const std::vector<std::wstring> names = {L"stop 1.wav", L"stop 2.wav"};
    if (!setup.addSources(names, fakeSource({{"steps", "200"}, {"interval_ms", "50"}, {"probe_ms", "2000"},
                                             {"output", "none"}}))) {
        return;
    }
    std::vector<std::wstring> sources;
    for (const std::wstring& name : names) sources.push_back(setup.tree.inDir + L"\\" + name);
    auto showsSource = [&](HWND dialog) {
        const std::wstring file = labelText(dialog, IDC_PROGRESS_FILE);
        return std::find(sources.begin(), sources.end(), file) != sources.end();
    };
    auto barPosition = [](HWND dialog) {
        DWORD_PTR position = 0;
        SendMessageTimeoutW(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position);
        return position;
    };

    const struct {
        const char* when;
        std::function<bool(HWND)> ready;
    } moments[] = {
        // The job is current and its probe runs: the bar has not moved yet.
        {"during a probe", [&](HWND dialog) { return showsSource(dialog) && barPosition(dialog) == 0; }},
        // The probe is over and the transcoder reports progress.
        {"while converting", [&](HWND dialog) { return showsSource(dialog) && barPosition(dialog) > 0; }},
    };
    std::printf("(a) Stop answered Yes -> progress dialog gone (main window usable), %d runs each, goal <= 1200 ms\n",
                runs);
    for (const auto& moment : moments) {
        std::vector<double> ends;
        std::vector<double> usable;
        for (int run = 0; run < runs; ++run) {
            double toEnd = 0;
            double toUsable = 0;
            if (!timeOneStop(setup, moment.ready, toEnd, toUsable)) {
                std::fprintf(stderr, "run %d %s did not go through\n", run + 1, moment.when);
                break;
            }
            ends.push_back(toEnd);
            usable.push_back(toUsable);
        }
        const Spread end = spreadOf(ends);
        const Spread use = spreadOf(usable);
        std::printf("    %-17s min %5.0f  avg %5.0f  max %5.0f ms   (usable: %4.0f / %4.0f / %4.0f ms)\n", moment.when,
                    end.min, end.avg, end.max, use.min, use.avg, use.max);
    }
    setup.close();
}

// ---- (b) One progress update ----

void benchmarkProgressUpdate(int updates) {
    if (updates <= 0) return;
    // A windowed program has no standard output; the engine's reader relies on that. The C
    // runtime keeps its own handle for printf.
    const HANDLE savedOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    TestTree tree(L"bench-update");
    ConvertCore engine;
    engine.transcoderPath = tree.installTranscoder(fakeTranscoderPath());
    engine.outputFolder = tree.outDir;
    engine.outputExtension = L"mp3";
    engine.transcoderArguments = L"-acodec libmp3lame -b:a 160k -ac 2 -ar 44100";
    const int jobs = 200;
    for (int i = 0; i < jobs; ++i) {
        const std::wstring path = tree.writeFile(L"in\\job " + std::to_wstring(i) + L".wav",
                                                 fakeSource({{"steps", "400"}, {"interval_ms", "50"}, {"output", "none"}}));
        engine.addJob(path.c_str());
    }
    gConvertCore = &engine;

    double plainUs = 0;
    double paintedUs = 0;
    double stepUs[4] = {};
    bool measured = false;
    ThreadTicker ticker(
        [&] {
            HWND dialog = findThreadDialog(L"Progress");
            ConvertJob job;
            if (!dialog || engine.state.load() != Running || !engine.getCurrentJob(job) || job.progressPercent == 0) {
                return true;
            }
            double began = preciseMs();
            for (int i = 0; i < updates; ++i) onProgressTimer(dialog);
            plainUs = (preciseMs() - began) * 1000.0 / updates;
            // As the timer does it: one update, then the repaint it causes, each time.
            began = preciseMs();
            for (int i = 0; i < updates; ++i) {
                onProgressTimer(dialog);
                UpdateWindow(dialog);
            }
            paintedUs = (preciseMs() - began) * 1000.0 / updates;
            // Where the time goes: the same steps one by one, as often.
            const std::wstring file = labelText(dialog, IDC_PROGRESS_FILE);
            const std::wstring total = labelText(dialog, IDC_PROGRESS_TOTAL);
            HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
            const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
            const std::function<void()> steps[] = {
                [&] { engine.getCurrentJob(job); },
                [&] { SetWindowTextW(GetDlgItem(dialog, IDC_PROGRESS_TOTAL), total.c_str()); },
                [&] { SetWindowTextW(GetDlgItem(dialog, IDC_PROGRESS_FILE), file.c_str()); },
                [&] {
                    SendMessageW(bar, PBM_SETRANGE32, 0, jobs * 100);
                    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
                },
            };
            for (size_t step = 0; step < 4; ++step) {
                began = preciseMs();
                for (int i = 0; i < updates; ++i) steps[step]();
                stepUs[step] = (preciseMs() - began) * 1000.0 / updates;
            }
            measured = true;
            engine.requestStop();
            return false;
        },
        120000);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, progressDialogProc, 0);
    engine.waitForWorker(60000);
    gConvertCore = nullptr;
    SetStdHandle(STD_OUTPUT_HANDLE, savedOutput);

    if (!measured) {
        std::fprintf(stderr, "(b) the batch never ran\n");
        return;
    }
    std::printf("(b) progress update on a running dialog (%d jobs queued), %d updates, goal well under 1000 us\n", jobs,
                updates);
    std::printf("    update alone:         %7.1f us\n", plainUs);
    std::printf("    update and repaint:   %7.1f us\n", paintedUs);
    std::printf("    of one update: job snapshot %.1f us, total label %.1f us, file label %.1f us, bar %.1f us\n",
                stepUs[0], stepUs[1], stepUs[2], stepUs[3]);
}

// ---- (c) Memory along a long batch ----

struct MemorySample {
    int jobsDone;
    SIZE_T workingSet;
    // Private bytes; Wine reports no private usage for another process, only the commit charge,
    // which is the same figure on Windows.
    SIZE_T privateBytes;
};

MemorySample sampleMemory(HANDLE process, int jobsDone) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return {jobsDone, counters.WorkingSetSize, counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage};
}

// The job number of "k / n (p%)", or -1.
int shownJobNumber(const std::wstring& total) {
    int number = -1;
    int count = 0;
    int percent = 0;
    if (std::swscanf(total.c_str(), L"%d / %d (%d%%)", &number, &count, &percent) != 3) return -1;
    return number;
}

void benchmarkMemory(int jobs) {
    if (jobs <= 0) return;
    ProgramSetup setup(L"bench-memory");
    if (!setup.ok) return;
    std::vector<std::wstring> names;
    for (int i = 0; i < jobs; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"job %03d.wav", i);
        names.push_back(name);
    }
    if (!setup.addSources(names, fakeSource({{"steps", "2"}, {"interval_ms", "10"}}))) return;
    RunningProgram& program = *setup.program;
    const double began = preciseMs();

    std::vector<MemorySample> samples = {sampleMemory(program.processHandle(), 0)};
    clickButton(program.mainWindow(), IDC_CONVERT);
    HWND dialog = program.waitForDialog(L"Progress", kWindowTimeoutMs);
    if (!dialog) {
        std::fprintf(stderr, "(c) no progress dialog\n");
        return;
    }
    // Job k is current once the dialog shows k + 1: the k jobs before it are done.
    int nextSample = 20;
    const bool finished = waitUntil(
        [&] {
            const bool complete = labelText(dialog, IDC_PROGRESS_FILE) == L"Complete";
            const int shown = complete ? jobs + 1 : shownJobNumber(labelText(dialog, IDC_PROGRESS_TOTAL));
            while (nextSample <= jobs && shown - 1 >= nextSample) {
                samples.push_back(sampleMemory(program.processHandle(), nextSample));
                nextSample += 20;
            }
            return complete;
        },
        30 * 60 * 1000, 10);
    const double seconds = (preciseMs() - began) / 1000.0;
    const std::wstring total = labelText(dialog, IDC_PROGRESS_TOTAL);
    clickButton(dialog, IDC_CLOSE);
    waitUntil([&] { return !IsWindow(dialog); }, kWindowTimeoutMs);
    program.responsive(kWindowTimeoutMs);
    samples.push_back(sampleMemory(program.processHandle(), -1));

    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(program.processHandle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    setup.close();

    std::printf("(c) program memory along a batch of %d jobs (%s, %.0f s, %.2f s a job), goal: flat\n", jobs,
                finished ? toUtf8(total).c_str() : "did not finish", seconds, seconds / jobs);
    std::printf("    jobs done   working set   private bytes\n");
    for (const MemorySample& sample : samples) {
        char label[32];
        if (sample.jobsDone < 0) {
            std::snprintf(label, sizeof(label), "after Close");
        } else {
            std::snprintf(label, sizeof(label), "%d", sample.jobsDone);
        }
        std::printf("    %-11s %8.0f KiB  %10.0f KiB\n", label, static_cast<double>(sample.workingSet) / 1024.0,
                    static_cast<double>(sample.privateBytes) / 1024.0);
    }
    SIZE_T peakPrivate = 0;
    for (const MemorySample& sample : samples) peakPrivate = std::max(peakPrivate, sample.privateBytes);
    std::printf("    peak: working set %.0f KiB, private bytes %.0f KiB (largest sample)\n",
                static_cast<double>(counters.PeakWorkingSetSize) / 1024.0, static_cast<double>(peakPrivate) / 1024.0);
    // From the first sample inside the batch to the last one before its end: what each further
    // job costs, if anything. The finished view and Close come on top of that once.
    const MemorySample* first = nullptr;
    const MemorySample* last = nullptr;
    for (const MemorySample& sample : samples) {
        if (sample.jobsDone <= 0 || sample.jobsDone >= jobs) continue;
        if (!first) first = &sample;
        last = &sample;
    }
    if (first && last && last->jobsDone > first->jobsDone) {
        const double grown = (static_cast<double>(last->privateBytes) - static_cast<double>(first->privateBytes)) / 1024.0;
        std::printf("    growth from job %d to job %d: %+.0f KiB private, %+.2f KiB a job\n", first->jobsDone,
                    last->jobsDone, grown, grown / (last->jobsDone - first->jobsDone));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int stopRuns = argc > 1 ? std::atoi(argv[1]) : 10;
    const int updates = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int jobs = argc > 3 ? std::atoi(argv[3]) : 200;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    benchmarkStop(stopRuns);
    benchmarkProgressUpdate(updates);
    benchmarkMemory(jobs);
    return 0;
}
