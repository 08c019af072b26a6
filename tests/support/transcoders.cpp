#include "transcoders.h"

#include "test_files.h"

// The build passes the paths with forward slashes; the engine writes them into batch lines,
// where only backslashes are safe.
std::wstring windowsPathFromBuild(const char* buildPath) {
    std::wstring path = fromUtf8(buildPath);
    for (wchar_t& unit : path) {
        if (unit == L'/') unit = L'\\';
    }
    return path;
}

std::wstring fakeTranscoderPath() { return windowsPathFromBuild(VELMORA_FAKE_TRANSCODER); }

std::wstring realTranscoderPath() {
    const std::wstring path = windowsPathFromBuild(VELMORA_REAL_TRANSCODER);
    return fileExists(path) ? path : std::wstring();
}

std::string fakeSource(std::initializer_list<std::pair<const char*, std::string>> settings) {
    std::string text;
    for (const auto& setting : settings) text += std::string(setting.first) + "=" + setting.second + "\n";
    return text;
}
