// Lets the messages of this thread that are due be handled, as a modal loop would.
#pragma once

#include <windows.h>

// Handles the messages that are due, for at most the given time.
void pumpMessages(DWORD milliseconds);
