// Collects what the code under test writes to the debugger channel, from every thread.
#pragma once

#include <string>

class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    // Everything captured so far, wide notes converted to UTF-8, in the order written.
    std::string text() const;
    // The captured notes one by one.
    size_t noteCount() const;
    std::string note(size_t index) const;

private:
    void* handler_;
};
