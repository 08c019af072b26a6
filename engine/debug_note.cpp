#include "debug_note.h"

#include <windows.h>

void debugNote(const char* text) { OutputDebugStringA(text); }

void debugFailure(const wchar_t* step) {
    OutputDebugStringW(step);
    OutputDebugStringW(L"\n");
}
