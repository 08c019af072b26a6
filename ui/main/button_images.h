// The owner-drawn image buttons, the drop hint and the tooltips of the main window.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <cstdint>
#include <map>
#include <memory>

// Ties a control of the main window to its picture and its tooltip.
struct ButtonImageRow {
    int32_t controlId;      // 0 ends the table
    int32_t pngResourceId;  // a resource of type "PNG"; only the low 16 bits are an id
    const wchar_t* tooltipText;  // null: the control gets a tool without text
};

// Ends with a row whose controlId is 0.
extern const ButtonImageRow gButtonImageRows[];

// The decoded pictures by control id. Filled before the main window exists and emptied after it
// has ended; every image must be gone before GDI+ shuts down.
extern std::map<uint32_t, std::unique_ptr<Gdiplus::Image>> gButtonImages;

extern HINSTANCE gInstance;
extern HWND gTooltipWindow;

// Stores the instance in gInstance and decodes every picture of the table. Always true.
bool loadButtonImages(HINSTANCE instance);

// Decodes one PNG resource into an image that owns its pixels; null when the bytes cannot be
// copied into a stream. An image that failed to decode is returned in its failed state.
std::unique_ptr<Gdiplus::Image> loadPngResource(HMODULE module, HRSRC resource);

// Paints a button's picture centred on its background; anything else is left alone.
void drawButtonImage(const DRAWITEMSTRUCT* request);

// Creates gTooltipWindow with one tool per existing control of the table. Needs gMainWindow.
void createButtonTooltips();

void freeButtonImages();
