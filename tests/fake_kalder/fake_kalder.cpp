// A stand-in for the transcoder, for deterministic tests. It converts nothing: the source
// file is a text of key=value lines that says how this run behaves (report, progress, pauses,
// how it ends), and every run appends what it received to "<source>.record".

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSourceReadLimit = 64 * 1024;
constexpr unsigned long kStepsLimit = 1000000;
constexpr unsigned long kPauseLimitMs = 600000;
constexpr unsigned long kBurstLimit = 64ul * 1024 * 1024;
constexpr DWORD kSplitPauseMs = 30;

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr,
                        nullptr);
    return result;
}

// Writes everything or gives up at the first failure (e.g. the reader closed its end).
void writeAll(HANDLE handle, const std::string& bytes) {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x100000 ? 0x100000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return;
        data += written;
        left -= written;
    }
}

void report(const std::string& text) { writeAll(GetStdHandle(STD_ERROR_HANDLE), text); }

// ---- what the source asks for ----

struct Settings {
    std::string duration = "00:00:05.00";
    bool durationLine = true;
    unsigned long steps = 5;
    unsigned long intervalMs = 100;
    bool split = false;
    unsigned long burst = 0;
    bool ignoreQ = false;
    bool createOutput = true;
    bool exitAfterSet = false;
    unsigned long exitAfter = 0;
    unsigned long probeMs = 0;
    unsigned long startMs = 0;
    bool nul = false;
};

std::string trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return std::string();
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// A decimal number up to `limit`; anything else keeps `fallback`.
unsigned long number(const std::string& text, unsigned long fallback, unsigned long limit) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return fallback;
    if (text.size() > 9) return limit;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    return value > limit ? limit : value;
}

void applySetting(Settings& settings, const std::string& key, const std::string& value) {
    if (key == "duration") {
        settings.durationLine = value != "none";
        settings.duration = value;
    } else if (key == "steps") {
        settings.steps = number(value, settings.steps, kStepsLimit);
    } else if (key == "interval_ms") {
        settings.intervalMs = number(value, settings.intervalMs, kPauseLimitMs);
    } else if (key == "split") {
        settings.split = value == "1";
    } else if (key == "burst") {
        settings.burst = number(value, settings.burst, kBurstLimit);
    } else if (key == "ignore_q") {
        settings.ignoreQ = value == "1";
    } else if (key == "output") {
        settings.createOutput = value != "none";
    } else if (key == "exit_after") {
        settings.exitAfterSet = true;
        settings.exitAfter = number(value, 0, kStepsLimit);
    } else if (key == "probe_ms") {
        settings.probeMs = number(value, settings.probeMs, kPauseLimitMs);
    } else if (key == "start_ms") {
        settings.startMs = number(value, settings.startMs, kPauseLimitMs);
    } else if (key == "nul") {
        settings.nul = value == "1";
    }
}

Settings parseSettings(const std::string& text) {
    Settings settings;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        applySetting(settings, trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
    return settings;
}

bool readSource(const std::wstring& path, std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> buffer(kSourceReadLimit);
    DWORD got = 0;
    const BOOL ok = ReadFile(file, buffer.data(), kSourceReadLimit, &got, nullptr);
    CloseHandle(file);
    if (!ok) return false;
    text.assign(buffer.data(), got);
    return true;
}

// ---- time stamps ----

// "HH:MM:SS.cc" in hundredths of a second; false when it is not one (N/A, none, junk).
bool parseTimestamp(const std::string& text, uint64_t& hundredths) {
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) return false;
    const std::string hours = text.substr(0, first);
    const std::string minutes = text.substr(first + 1, second - first - 1);
    const std::string seconds = text.substr(second + 1);
    if (hours.empty() || hours.size() > 6 || hours.find_first_not_of("0123456789") != std::string::npos) return false;
    if (minutes.size() != 2 || minutes.find_first_not_of("0123456789") != std::string::npos) return false;
    if (seconds.empty() || seconds.size() > 6 || seconds.find_first_not_of("0123456789.") != std::string::npos) {
        return false;
    }
    const double secondsValue = std::strtod(seconds.c_str(), nullptr);
    hundredths = (std::strtoull(hours.c_str(), nullptr, 10) * 3600 + std::strtoull(minutes.c_str(), nullptr, 10) * 60) *
                     100 +
                 static_cast<uint64_t>(secondsValue * 100.0 + 0.5);
    return true;
}

std::string twoDigits(uint64_t value) { return (value < 10 ? "0" : "") + std::to_string(value); }

std::string timestamp(uint64_t hundredths) {
    const uint64_t seconds = hundredths / 100;
    return twoDigits(seconds / 3600) + ":" + twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60) + "." +
           twoDigits(hundredths % 100);
}

// ---- standard input ----

// Filled by the reader thread, which may still run while the process exits: never destroyed.
struct Input {
    CRITICAL_SECTION lock;
    std::string bytes;
    HANDLE stopEvent = nullptr;
    HANDLE handle = nullptr;
    bool ignoreQ = false;
};
Input& gInput = *new Input;

DWORD WINAPI readInput(void*) {
    char byte = 0;
    DWORD got = 0;
    while (ReadFile(gInput.handle, &byte, 1, &got, nullptr) && got == 1) {
        EnterCriticalSection(&gInput.lock);
        gInput.bytes += byte;
        LeaveCriticalSection(&gInput.lock);
        if (byte == 'q' && !gInput.ignoreQ) SetEvent(gInput.stopEvent);
    }
    return 0;
}

void startInputReader(bool ignoreQ) {
    gInput.handle = GetStdHandle(STD_INPUT_HANDLE);
    gInput.ignoreQ = ignoreQ;
    if (gInput.handle == nullptr || gInput.handle == INVALID_HANDLE_VALUE) return;
    gInput.stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!gInput.stopEvent) return;
    HANDLE thread = CreateThread(nullptr, 0, readInput, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}

std::string inputSoFar() {
    EnterCriticalSection(&gInput.lock);
    const std::string bytes = gInput.bytes;
    LeaveCriticalSection(&gInput.lock);
    return bytes;
}

// Pauses for `ms`; true as soon as a "q" has arrived.
bool stopRequestedWithin(unsigned long ms) {
    if (!gInput.stopEvent) {
        Sleep(ms);
        return false;
    }
    return WaitForSingleObject(gInput.stopEvent, ms) == WAIT_OBJECT_0;
}

// ---- files this run writes ----

class AppendFile {
public:
    explicit AppendFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~AppendFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    void line(const std::string& text) {
        if (handle_ != INVALID_HANDLE_VALUE) writeAll(handle_, text + "\n");
    }

private:
    HANDLE handle_;
};

// The output file: created (or truncated) at the start; the steps line only on a regular end.
class Output {
public:
    Output(const std::wstring& path, bool create) : handle_(INVALID_HANDLE_VALUE) {
        if (!create) return;
        handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        write("fake output\n");
    }
    ~Output() { close(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void finish(unsigned long steps) {
        write("steps=" + std::to_string(steps) + "\n");
        close();
    }

private:
    void write(const std::string& text) {
        if (handle_ != INVALID_HANDLE_VALUE) writeAll(handle_, text);
    }
    void close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    HANDLE handle_;
};

void closeRecord(AppendFile& record, const char* reason) {
    record.line("stdin=" + inputSoFar());
    record.line(std::string("exit=") + reason);
    record.line("");
}

// ---- what it writes ----

struct Invocation {
    std::vector<std::wstring> arguments;  // without the program itself
    bool convert = false;
    std::wstring source;
    std::wstring output;
};

Invocation parseInvocation() {
    Invocation invocation;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return invocation;
    for (int index = 1; index < count; ++index) invocation.arguments.push_back(argv[index]);
    LocalFree(argv);
    const std::vector<std::wstring>& arguments = invocation.arguments;
    size_t sourceIndex = 0;
    for (size_t index = 0; index < arguments.size(); ++index) {
        if (arguments[index] == L"-y") invocation.convert = true;
        if (arguments[index] == L"-i" && index + 1 < arguments.size() && invocation.source.empty()) {
            sourceIndex = index + 1;
            invocation.source = arguments[sourceIndex];
        }
    }
    // The last argument is the output only when it comes after the source.
    if (invocation.convert && arguments.size() > sourceIndex + 1) invocation.output = arguments.back();
    return invocation;
}

void writeInputReport(const Invocation& invocation, const Settings& settings) {
    report("Input #0, wav, from '" + toUtf8(invocation.source) + "':\n");
    if (settings.durationLine) report("  Duration: " + settings.duration + ", start: 0.000000, bitrate: 1411 kb/s\n");
    report("    Stream #0:0: Audio: pcm_s16le, 44100 Hz, stereo, s16, 1411 kb/s\n");
}

std::string outputFormat(const std::wstring& output) {
    const size_t dot = output.find_last_of(L".\\/");
    if (dot == std::wstring::npos || output[dot] != L'.' || dot + 1 == output.size()) return "wav";
    return toUtf8(output.substr(dot + 1));
}

std::string filler(unsigned long size) {
    static const std::string pattern =
        "frame=    0 fps=0.0 q=0.0 size=       0kB time=00:00:00.00 bitrate=N/A\r";
    std::string text;
    text.reserve(size + pattern.size());
    while (text.size() < size) text += pattern;
    text.resize(size);
    return text;
}

std::string progressLine(unsigned long step, uint64_t hundredths, bool nul) {
    std::string size = std::to_string(step * 32) + "kB";
    if (size.size() < 10) size.insert(0, 10 - size.size(), ' ');
    std::string line = "size=" + size + " time=" + timestamp(hundredths) + " ";
    if (nul) line += '\0';
    return line + "bitrate= 160.0kbits/s speed=1.0x    \r";
}

void writeProgressLine(const std::string& line, bool split) {
    if (!split) {
        report(line);
        return;
    }
    // Cut in the middle of the time value: a reader that parses before the line is complete
    // sees a wrong time.
    const size_t cut = line.find("time=") + 10;
    report(line.substr(0, cut));
    Sleep(kSplitPauseMs);
    report(line.substr(cut));
}

int probe(const Invocation& invocation, const Settings& settings, AppendFile& record) {
    Sleep(settings.probeMs);
    writeInputReport(invocation, settings);
    report("At least one output file must be specified\n");
    closeRecord(record, "done");
    return 1;
}

int convert(const Invocation& invocation, const Settings& settings, AppendFile& record) {
    startInputReader(settings.ignoreQ);
    Sleep(settings.startMs);
    Output output(invocation.output, settings.createOutput);
    writeInputReport(invocation, settings);
    report("Output #0, " + outputFormat(invocation.output) + ", to '" + toUtf8(invocation.output) + "':\n");
    if (settings.burst > 0) report(filler(settings.burst));

    uint64_t total = 0;
    const bool timed = settings.durationLine && parseTimestamp(settings.duration, total);
    unsigned long written = 0;
    for (;;) {
        if (settings.exitAfterSet && written == settings.exitAfter) {
            closeRecord(record, "exit_after");
            return 1;
        }
        if (written == settings.steps) break;
        if (stopRequestedWithin(settings.intervalMs)) {
            report("\n[q] command received. Exiting.\n");
            output.finish(written);
            closeRecord(record, "q");
            return 0;
        }
        ++written;
        const uint64_t at = timed ? total * written / settings.steps : uint64_t{100} * written;
        writeProgressLine(progressLine(written, at, settings.nul), settings.split);
    }
    report("\n");
    output.finish(written);
    closeRecord(record, "done");
    return 0;
}

int run() {
    InitializeCriticalSection(&gInput.lock);
    const Invocation invocation = parseInvocation();
    report("kalder test double\n");
    if (invocation.source.empty()) {
        report("No input file given\n");
        return 1;
    }

    AppendFile record(invocation.source + L".record");
    record.line(invocation.convert ? "mode=convert" : "mode=probe");
    record.line("cmdline=" + toUtf8(GetCommandLineW()));
    for (const std::wstring& argument : invocation.arguments) record.line("arg=" + toUtf8(argument));

    std::string text;
    if (!readSource(invocation.source, text)) {
        report(toUtf8(invocation.source) + ": No such file or directory\n");
        closeRecord(record, "nosource");
        return 1;
    }
    const Settings settings = parseSettings(text);
    const bool hasOutput = !invocation.output.empty();
    return hasOutput ? convert(invocation, settings, record) : probe(invocation, settings, record);
}

}  // namespace

int main() { return run(); }
