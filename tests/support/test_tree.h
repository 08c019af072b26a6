// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

class TestTree {
public:
    // Creates %TEMP%\velmora-<name>-<pid>-<counter>\ with in\, out\ and core\ in it;
    // throws std::runtime_error when it cannot.
    explicit TestTree(const std::wstring& name);
    ~TestTree();
    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    // Copies `exePath` as core\kalder.exe and returns the copy's full path.
    std::wstring installTranscoder(const std::wstring& exePath) const;
    // Writes `bytes` to root\<relativePath> ('\' or '/'), creating its folders; returns the full path.
    std::wstring writeFile(const std::wstring& relativePath, const std::string& bytes) const;

    // Full paths without a trailing backslash.
    const std::wstring root;
    const std::wstring inDir;
    const std::wstring outDir;
    const std::wstring coreDir;
};
