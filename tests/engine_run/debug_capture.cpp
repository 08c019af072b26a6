#include "debug_capture.h"

#include <windows.h>

#include <mutex>
#include <vector>

namespace {

// The exception codes OutputDebugStringA and OutputDebugStringW raise for a debugger.
constexpr DWORD kNarrowDebugPrint = 0x40010006;
constexpr DWORD kWideDebugPrint = 0x4001000A;

std::mutex gNotesMutex;
std::vector<std::string> gNotes;

std::string narrowFromWide(const wchar_t* text, size_t length) {
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &narrow[0], size, nullptr, nullptr);
    return narrow;
}

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);  // with the NUL
    std::string note;
    if (record->ExceptionCode == kNarrowDebugPrint) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        note.assign(text, length > 0 ? length - 1 : 0);
    } else if (record->ExceptionCode == kWideDebugPrint) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
        note = narrowFromWide(text, length > 0 ? length - 1 : 0);
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    std::lock_guard<std::mutex> guard(gNotesMutex);
    gNotes.push_back(note);
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

DebugCapture::DebugCapture() {
    {
        std::lock_guard<std::mutex> guard(gNotesMutex);
        gNotes.clear();
    }
    handler_ = AddVectoredExceptionHandler(1, onException);
}

DebugCapture::~DebugCapture() { RemoveVectoredExceptionHandler(handler_); }

std::string DebugCapture::text() const {
    std::lock_guard<std::mutex> guard(gNotesMutex);
    std::string all;
    for (const std::string& note : gNotes) all += note;
    return all;
}

size_t DebugCapture::noteCount() const {
    std::lock_guard<std::mutex> guard(gNotesMutex);
    return gNotes.size();
}

std::string DebugCapture::note(size_t index) const {
    std::lock_guard<std::mutex> guard(gNotesMutex);
    return index < gNotes.size() ? gNotes[index] : std::string();
}
