// Output naming and the batch scripts through which the transcoder is run.
#pragma once

#include <windows.h>

#include <string>

// The file-name part of a path: the text after its last backslash, or the whole path.
std::wstring getFileName(const std::wstring& path);

// Full path of a new job script without its extension, in <app data>\Lumiq; the folder
// is created when missing. Empty when the path would not fit a fixed path buffer.
std::wstring makeJobScriptBase();

// The same name built from a given application-data folder and tick count.
std::wstring composeJobScriptBase(const std::wstring& appDataFolder, DWORD tickCount);

// A path as it must stand in a batch file: the interpreter expands % even inside
// double quotes, so every % is doubled.
std::wstring escapeForBatch(const std::wstring& path);

// The exact text of a job script. With an output path it converts, without it probes.
std::wstring jobScriptText(const std::wstring& transcoderPath, const std::wstring& sourcePath,
                           const std::wstring& options, const std::wstring* outputPath,
                           const std::wstring& scriptPath);

// The script text as the bytes written to the file: UTF-8, no byte-order mark, CR LF.
std::string jobScriptBytes(const std::wstring& text);

// Writes the bytes to a new or truncated file; false when it cannot be created or written.
bool writeFileBytes(const std::wstring& path, const std::string& bytes);
