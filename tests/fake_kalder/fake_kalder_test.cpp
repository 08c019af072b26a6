// The fake transcoder run directly (no interpreter) on pipes, the way the engine talks to it,
// and the scratch tree the tests run it in.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "test_files.h"
#include "test_tree.h"
#include "transcoders.h"

namespace {

constexpr DWORD kRunTimeoutMs = 20000;
constexpr DWORD kNoExit = 0xDEADu;

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

void closeIfOpen(HANDLE& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
}

// One run of the fake: standard input, output and error each on a pipe of its own.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, kNoExit);
        closeIfOpen(process_);
        closeIfOpen(input_);
        closeIfOpen(error_);
        closeIfOpen(output_);
    }

    bool start(const std::wstring& commandLine) {
        HANDLE inputRead = nullptr, outputWrite = nullptr, errorWrite = nullptr;
        const bool piped = pipe(inputRead, input_, false) && pipe(output_, outputWrite, true) &&
                           pipe(error_, errorWrite, true);
        bool started = false;
        if (piped) {
            STARTUPINFOW startup = {};
            startup.cb = sizeof(startup);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = inputRead;
            startup.hStdOutput = outputWrite;
            startup.hStdError = errorWrite;
            std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
            line.push_back(L'\0');
            PROCESS_INFORMATION child = {};
            started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                     nullptr, &startup, &child) != FALSE;
            if (started) {
                process_ = child.hProcess;
                CloseHandle(child.hThread);
            }
        }
        // Only the child keeps its ends, so the pipes report their end when it exits.
        closeIfOpen(inputRead);
        closeIfOpen(outputWrite);
        closeIfOpen(errorWrite);
        return started;
    }

    // Collects standard error until `marker` shows up; false if it ends or times out first.
    bool readUntil(const std::string& marker) {
        const DWORD begin = GetTickCount();
        while (errorText.find(marker) == std::string::npos) {
            if (!collect() || GetTickCount() - begin > kRunTimeoutMs) return false;
            Sleep(2);
        }
        return true;
    }

    void send(const std::string& bytes) {
        DWORD written = 0;
        WriteFile(input_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    // Collects the rest of both outputs and returns the exit code (kNoExit if it hangs).
    DWORD finish() {
        const DWORD begin = GetTickCount();
        while (collect()) {
            if (GetTickCount() - begin > kRunTimeoutMs) return kNoExit;
            Sleep(2);
        }
        if (WaitForSingleObject(process_, kRunTimeoutMs) != WAIT_OBJECT_0) return kNoExit;
        DWORD code = kNoExit;
        GetExitCodeProcess(process_, &code);
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(output_, chunk, sizeof(chunk), &got, nullptr) && got > 0) outputText.append(chunk, got);
        return code;
    }

    std::string errorText;
    std::string outputText;

private:
    // Both ends inheritable, then the one kept here made private.
    static bool pipe(HANDLE& read, HANDLE& write, bool keepRead) {
        SECURITY_ATTRIBUTES attributes = {};
        attributes.nLength = sizeof(attributes);
        attributes.bInheritHandle = TRUE;
        if (!CreatePipe(&read, &write, &attributes, 0)) return false;
        return SetHandleInformation(keepRead ? read : write, HANDLE_FLAG_INHERIT, 0) != FALSE;
    }

    // Moves what is waiting on standard error into errorText; false once that pipe has ended.
    bool collect() {
        DWORD waiting = 0;
        if (!PeekNamedPipe(error_, nullptr, 0, nullptr, &waiting, nullptr)) return false;
        char chunk[4096];
        while (waiting > 0) {
            DWORD got = 0;
            const DWORD wanted = waiting < sizeof(chunk) ? waiting : static_cast<DWORD>(sizeof(chunk));
            if (!ReadFile(error_, chunk, wanted, &got, nullptr) || got == 0) return false;
            errorText.append(chunk, got);
            waiting -= got;
        }
        return true;
    }

    HANDLE process_ = nullptr;
    HANDLE input_ = nullptr;
    HANDLE error_ = nullptr;
    HANDLE output_ = nullptr;
};

// A tree with the fake installed as core\kalder.exe.
struct FakeSetup {
    explicit FakeSetup(const std::wstring& name) : tree(name), kalder(tree.installTranscoder(fakeTranscoderPath())) {}
    std::wstring probeLine(const std::wstring& source) const { return quoted(kalder) + L" -i " + quoted(source); }
    std::wstring convertLine(const std::wstring& source, const std::wstring& output) const {
        return quoted(kalder) + L" -y -i " + quoted(source) + L" -vn " + quoted(output);
    }
    TestTree tree;
    std::wstring kalder;
};

// The time= values of the progress lines, in order.
std::vector<std::string> progressTimes(const std::string& text) {
    std::vector<std::string> times;
    for (size_t at = text.find("size="); at != std::string::npos; at = text.find("size=", at + 1)) {
        const size_t time = text.find("time=", at);
        const size_t end = text.find_first_of("\r\n", at);
        if (time == std::string::npos || (end != std::string::npos && time > end)) continue;
        times.push_back(text.substr(time + 5, text.find(' ', time) - time - 5));
    }
    return times;
}

std::string lastRecordBlock(const std::wstring& source) {
    const std::string record = readFileBytes(source + L".record");
    const size_t start = record.rfind("mode=");
    return start == std::string::npos ? std::string() : record.substr(start);
}

struct ProbeCase {
    const char* duration;  // nullptr: not in the source
    const char* expectedLine;  // nullptr: no Duration line at all
};

TEST(FakeKalderProbe, ReportsTheDurationTheSourceAsksForOnStandardErrorOnly) {
    const ProbeCase cases[] = {
        {nullptr, "\n  Duration: 00:00:05.00, start: 0.000000, bitrate: 1411 kb/s\n"},
        {"01:02:03.45", "\n  Duration: 01:02:03.45, start: 0.000000, bitrate: 1411 kb/s\n"},
        {"N/A", "\n  Duration: N/A, start: 0.000000, bitrate: 1411 kb/s\n"},
        {"none", nullptr},
    };
    FakeSetup setup(L"probe");
    for (const ProbeCase& test : cases) {
        SCOPED_TRACE(test.duration ? test.duration : "(default)");
        const std::wstring source = setup.tree.writeFile(
            L"in\\song.wav", test.duration ? fakeSource({{"duration", test.duration}}) : fakeSource({}));
        Child child;
        ASSERT_TRUE(child.start(setup.probeLine(source)));
        EXPECT_EQ(child.finish(), 1u);
        EXPECT_EQ(child.outputText, "");
        const std::string& text = child.errorText;
        EXPECT_EQ(text.find("kalder test double\n"), 0u) << text;
        EXPECT_NE(text.find("Input #0, wav, from '" + toUtf8(source) + "':\n"), std::string::npos) << text;
        if (test.expectedLine) {
            EXPECT_NE(text.find(test.expectedLine), std::string::npos) << text;
        } else {
            EXPECT_EQ(text.find("Duration"), std::string::npos) << text;
        }
        EXPECT_NE(text.find("At least one output file must be specified\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("time="), std::string::npos) << text;
        EXPECT_NE(lastRecordBlock(source).find("mode=probe\n"), std::string::npos);
    }
}

struct ProgressCase {
    const char* duration;
    const char* steps;
    std::vector<std::string> times;
};

TEST(FakeKalderConvert, SpacesProgressEvenlyUpToTheDurationAndFinishesTheOutput) {
    const ProgressCase cases[] = {
        {"00:00:06.00", "3", {"00:00:02.00", "00:00:04.00", "00:00:06.00"}},
        {"00:00:01.00", "3", {"00:00:00.33", "00:00:00.66", "00:00:01.00"}},
        {"01:00:00.00", "2", {"00:30:00.00", "01:00:00.00"}},
        {"N/A", "2", {"00:00:01.00", "00:00:02.00"}},
        {"none", "3", {"00:00:01.00", "00:00:02.00", "00:00:03.00"}},
        {"00:00:05.00", "0", {}},
    };
    FakeSetup setup(L"progress");
    for (const ProgressCase& test : cases) {
        SCOPED_TRACE(std::string(test.duration) + " in " + test.steps);
        const std::wstring source = setup.tree.writeFile(
            L"in\\song.wav", fakeSource({{"duration", test.duration}, {"steps", test.steps}, {"interval_ms", "5"}}));
        const std::wstring output = setup.tree.outDir + L"\\song.mp3";
        Child child;
        ASSERT_TRUE(child.start(setup.convertLine(source, output)));
        EXPECT_EQ(child.finish(), 0u);
        EXPECT_EQ(child.outputText, "");
        const std::string& text = child.errorText;
        EXPECT_NE(text.find("Output #0, mp3, to '" + toUtf8(output) + "':\n"), std::string::npos) << text;
        EXPECT_EQ(progressTimes(text), test.times) << text;
        EXPECT_EQ(readFileBytes(output), "fake output\nsteps=" + std::string(test.steps) + "\n");
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        EXPECT_NE(lastRecordBlock(source).find("\nexit=done\n\n"), std::string::npos);
    }
}

TEST(FakeKalderConvert, ProgressLinesEndInACarriageReturnAndCarryTheRequestedBytes) {
    FakeSetup setup(L"bytes");
    const std::wstring source = setup.tree.writeFile(
        L"in\\song.wav", fakeSource({{"steps", "2"}, {"interval_ms", "0"}, {"burst", "70000"}, {"nul", "1"}}));
    Child child;
    ASSERT_TRUE(child.start(setup.convertLine(source, setup.tree.outDir + L"\\song.wav")));
    EXPECT_EQ(child.finish(), 0u);
    const std::string& text = child.errorText;
    const size_t header = text.find("Output #0");
    ASSERT_NE(header, std::string::npos);
    const size_t burst = text.find("\n", header) + 1;
    EXPECT_EQ(text.compare(burst, 6, "frame="), 0);
    EXPECT_EQ(text.compare(burst + 70000, 5, "size="), 0) << "the filler is not 70000 bytes";
    const std::string firstLine = std::string("time=00:00:02.50 ") + '\0' + "bitrate= 160.0kbits/s speed=1.0x    \r";
    EXPECT_NE(text.find(firstLine, burst + 70000), std::string::npos);
    const std::string lastLine = std::string("time=00:00:05.00 ") + '\0' + "bitrate= 160.0kbits/s speed=1.0x    \r\n";
    ASSERT_GE(text.size(), lastLine.size());
    EXPECT_EQ(text.substr(text.size() - lastLine.size()), lastLine);
}

struct StopCase {
    const char* ignoreQ;
    DWORD exitCode;
    bool stopsEarly;
    const char* reason;
};

TEST(FakeKalderConvert, QOnStandardInputStopsItEarlyUnlessTheSourceSaysToIgnoreIt) {
    const StopCase cases[] = {{"0", 0, true, "q"}, {"1", 0, false, "done"}};
    FakeSetup setup(L"stop");
    for (const StopCase& test : cases) {
        SCOPED_TRACE(std::string("ignore_q=") + test.ignoreQ);
        const std::wstring source = setup.tree.writeFile(
            L"in\\song.wav", fakeSource({{"steps", "8"}, {"interval_ms", "60"}, {"ignore_q", test.ignoreQ}}));
        const std::wstring output = setup.tree.outDir + L"\\song.wav";
        Child child;
        ASSERT_TRUE(child.start(setup.convertLine(source, output)));
        ASSERT_TRUE(child.readUntil("time=")) << child.errorText;
        child.send("q");
        EXPECT_EQ(child.finish(), test.exitCode);
        const size_t lines = progressTimes(child.errorText).size();
        const std::string written = readFileBytes(output);
        EXPECT_EQ(written, "fake output\nsteps=" + std::to_string(lines) + "\n");
        const bool announced = child.errorText.find("\n[q] command received. Exiting.\n") != std::string::npos;
        EXPECT_EQ(announced, test.stopsEarly) << child.errorText;
        EXPECT_EQ(lines < 8, test.stopsEarly) << child.errorText;
        EXPECT_NE(lastRecordBlock(source).find("\nstdin=q\nexit=" + std::string(test.reason) + "\n\n"),
                  std::string::npos)
            << lastRecordBlock(source);
    }
}

struct EndCase {
    const char* name;
    std::string source;  // empty: no source file at all
    DWORD exitCode;
    size_t lines;
    const char* outputText;  // nullptr: no output file
    const char* reason;
};

TEST(FakeKalderConvert, EndsWithoutOutputOrCutShortAsTheSourceSays) {
    const EndCase cases[] = {
        {"output=none", fakeSource({{"steps", "2"}, {"interval_ms", "0"}, {"output", "none"}}), 0, 2, nullptr,
         "done"},
        {"exit_after=2", fakeSource({{"steps", "5"}, {"interval_ms", "0"}, {"exit_after", "2"}}), 1, 2,
         "fake output\n", "exit_after"},
        {"exit_after=0", fakeSource({{"interval_ms", "0"}, {"exit_after", "0"}}), 1, 0, "fake output\n",
         "exit_after"},
        {"no source", "", 1, 0, nullptr, "nosource"},
    };
    FakeSetup setup(L"ends");
    for (const EndCase& test : cases) {
        SCOPED_TRACE(test.name);
        const std::wstring source = setup.tree.inDir + L"\\" + fromUtf8(test.name) + L".wav";
        if (!test.source.empty()) setup.tree.writeFile(source.substr(setup.tree.root.size() + 1), test.source);
        const std::wstring output = setup.tree.outDir + L"\\" + fromUtf8(test.name) + L".wav";
        Child child;
        ASSERT_TRUE(child.start(setup.convertLine(source, output)));
        EXPECT_EQ(child.finish(), test.exitCode);
        EXPECT_EQ(progressTimes(child.errorText).size(), test.lines) << child.errorText;
        EXPECT_EQ(fileExists(output), test.outputText != nullptr);
        if (test.outputText) {
            EXPECT_EQ(readFileBytes(output), test.outputText);
        }
        if (test.source.empty()) {
            EXPECT_NE(child.errorText.find(toUtf8(source) + ": No such file or directory\n"), std::string::npos)
                << child.errorText;
        }
        EXPECT_NE(lastRecordBlock(source).find("\nexit=" + std::string(test.reason) + "\n\n"), std::string::npos)
            << lastRecordBlock(source);
    }
}

TEST(FakeKalderRecord, AppendsEachRunsCommandLineAndArgumentsAsUtf8) {
    FakeSetup setup(L"record");
    const std::wstring source =
        setup.tree.writeFile(L"in\\100% hits \u00fc&x.wav", fakeSource({{"steps", "1"}, {"interval_ms", "0"}}));
    const std::wstring output = setup.tree.outDir + L"\\100% hits \u00fc&x.mp3";
    const std::wstring probe = setup.probeLine(source);
    const std::wstring convert = setup.convertLine(source, output);
    for (const std::wstring& line : {probe, convert}) {
        Child child;
        ASSERT_TRUE(child.start(line));
        child.finish();
    }
    const std::string src = toUtf8(source);
    const std::string expected = "mode=probe\ncmdline=" + toUtf8(probe) + "\narg=-i\narg=" + src +
                                 "\nstdin=\nexit=done\n\n"
                                 "mode=convert\ncmdline=" + toUtf8(convert) + "\narg=-y\narg=-i\narg=" + src +
                                 "\narg=-vn\narg=" + toUtf8(output) + "\nstdin=\nexit=done\n\n";
    EXPECT_EQ(readFileBytes(source + L".record"), expected);
}

TEST(TestTree, LaysOutItsFoldersInTempAndRemovesEverythingEvenBeyondMaxPath) {
    std::wstring root;
    {
        TestTree tree(L"layout");
        root = tree.root;
        EXPECT_NE(root.find(L"\\velmora-layout-" + std::to_wstring(GetCurrentProcessId()) + L"-"), std::wstring::npos);
        for (const std::wstring& folder : {tree.inDir, tree.outDir, tree.coreDir}) {
            EXPECT_NE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
        }
        EXPECT_EQ(tree.coreDir, root + L"\\core");

        const std::wstring nested = tree.writeFile(L"in/a/b/c.txt", "abc");
        EXPECT_EQ(nested, root + L"\\in\\a\\b\\c.txt");
        EXPECT_EQ(readFileBytes(nested), "abc");
        const std::wstring deep = tree.writeFile(std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') +
                                                     L"\\" + std::wstring(60, L'f') + L".txt",
                                                 std::string("x\0y", 3));
        EXPECT_GT(deep.size(), static_cast<size_t>(MAX_PATH));
        EXPECT_EQ(readFileBytes(deep), std::string("x\0y", 3));
        EXPECT_TRUE(fileExists(tree.installTranscoder(fakeTranscoderPath())));
        EXPECT_NE(TestTree(L"layout").root, root);
    }
    EXPECT_EQ(GetFileAttributesW(root.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(fileExists(root + L"\\in\\a\\b\\c.txt"));
    EXPECT_EQ(readFileBytes(root + L"\\missing"), "");
}

}  // namespace
