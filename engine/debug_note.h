// Progress notes on the platform's debugger channel. Nothing reads them back.
#pragma once

// A narrow note, written as it stands.
void debugNote(const char* text);

// A failure note: the name of the failing platform step, then a separate line break.
void debugFailure(const wchar_t* step);
