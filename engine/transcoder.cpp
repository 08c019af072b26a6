#include "transcoder.h"

namespace transcoder {

namespace {
std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }
}  // namespace

std::wstring probeCommand(const std::wstring& transcoderPath, const std::wstring& sourcePath) {
    return quoted(transcoderPath) + L" " + kInputOption + L" " + quoted(sourcePath);
}

std::wstring convertCommand(const std::wstring& transcoderPath, const std::wstring& sourcePath,
                            const std::wstring& options, const std::wstring& outputPath) {
    return quoted(transcoderPath) + L" " + kReplaceOption + L" " + kInputOption + L" " +
           quoted(sourcePath) + L" " + options + L" " + quoted(outputPath);
}

}  // namespace transcoder
