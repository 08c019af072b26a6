// Small file and text helpers for the tests.
#pragma once

#include <string>

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// The whole file as bytes; empty when it is missing or cannot be read.
std::string readFileBytes(const std::wstring& path);
bool fileExists(const std::wstring& path);

// `path` in the \\?\ form when it is a drive path too long for the plain file functions.
std::wstring extendedLengthPath(const std::wstring& path);
