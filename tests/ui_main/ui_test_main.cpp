// The window tests run in one process set up like the program: GDI+, the common controls and the
// profile started, the pictures of this module's resources decoded.
#include <windows.h>

#include <gtest/gtest.h>

#include "app_entry.h"
#include "button_images.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    initApplication();
    loadButtonImages(GetModuleHandleW(nullptr));
    const int result = RUN_ALL_TESTS();
    exitApplication();
    return result;
}
