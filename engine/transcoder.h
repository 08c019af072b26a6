// What the engine hands to the external transcoder and what it relies on from it.
#pragma once

#include <string>

namespace transcoder {

// The transcoder lives beside the program: <program folder>\core\kalder.exe.
constexpr wchar_t kCoreFolder[] = L"core";
constexpr wchar_t kExecutableName[] = L"kalder.exe";

// "-i" names the input; "-y" replaces an existing output file without asking.
constexpr wchar_t kInputOption[] = L"-i";
constexpr wchar_t kReplaceOption[] = L"-y";

// Markers read from its console output.
constexpr char kDurationMarker[] = "Duration:";
constexpr char kTimeMarker[] = "time=";

// The byte that makes it finish early, written to its standard input.
constexpr char kStopByte = 'q';

// Probe: "<transcoder>" -i "<source>"  (its report on standard error gives the duration).
std::wstring probeCommand(const std::wstring& transcoderPath, const std::wstring& sourcePath);

// Convert: "<transcoder>" -y -i "<source>" <options> "<output>".
std::wstring convertCommand(const std::wstring& transcoderPath, const std::wstring& sourcePath,
                            const std::wstring& options, const std::wstring& outputPath);

}  // namespace transcoder
