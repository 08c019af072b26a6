#include "app_entry.h"

#include <commctrl.h>

#include <new>

#include "audio_converter.h"
#include "button_images.h"
#include "convert_core.h"
#include "main_dialog.h"
#include "resource.h"

ULONG_PTR gGdiplusToken = 0;

bool initApplication() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gGdiplusToken, &input, nullptr);
    // The tooltip window and the progress bar are common controls: their classes are
    // registered here, before any window needs them.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    gInstance = nullptr;
    gMainWindow = nullptr;
    gAppIcon = nullptr;
    gTooltipWindow = nullptr;
    gConvertCore = nullptr;
    gAudioConverter = new (std::nothrow) AudioConverter();
    return true;
}

void exitApplication() {
    freeButtonImages();
    Gdiplus::GdiplusShutdown(gGdiplusToken);
    gGdiplusToken = 0;
}

int chooseMainTemplate() {
    const bool choice = gAudioConverter && gAudioConverter->getPresetCount() > 1;
    return choice ? IDD_MAIN : IDD_MAIN_SIMPLE;
}

int runApplication(HINSTANCE instance) {
    initApplication();
    // Without the profile there is nothing to offer or to accept.
    if (!gAudioConverter) return 0;
    loadButtonImages(instance);
    DialogBoxParamW(gInstance, MAKEINTRESOURCEW(chooseMainTemplate()), nullptr, mainDialogProc, 0);
    exitApplication();
    return 0;
}
