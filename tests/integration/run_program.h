// Runs a Windows program directly (no interpreter) and collects what it writes.
#pragma once

#include <string>

// Runs the command line, waits up to the time-out and returns its standard output and
// standard error together; exitCode is set when it ended in time (else it is killed).
std::string runProgram(const std::wstring& commandLine, unsigned long timeoutMs, unsigned long* exitCode = nullptr);

// "<ffmpeg>" -i "<file>": the transcoder's report on one file.
std::string mediaReport(const std::wstring& transcoder, const std::wstring& file);
