// The transcoders the tests run, and the text that steers the fake one.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

// A path the build passed in (forward slashes) as a Windows path.
std::wstring windowsPathFromBuild(const char* buildPath);

// The fake_kalder.exe of this build.
std::wstring fakeTranscoderPath();
// The Windows FFmpeg the integration tests use; empty when it has not been fetched.
std::wstring realTranscoderPath();

// The key=value lines of a source file for the fake, e.g. fakeSource({{"steps", "3"}}).
std::string fakeSource(std::initializer_list<std::pair<const char*, std::string>> settings);
