// The program's entry point. The command line and the show state are not used.
#include <windows.h>

#include "app_entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return runApplication(instance);
}
