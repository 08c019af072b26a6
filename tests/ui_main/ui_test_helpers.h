// Helpers of the main window tests: the window in both forms, dropped files, the settings key,
// and a canvas for painting.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "message_pump.h"


// The settings key of the program, deleted with everything under it.
void deleteSettingsKey();
bool settingsKeyExists();

struct RawValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<uint8_t> bytes;
};
RawValue readRawOutputFolderValue();
// Writes the value as given, creating the key.
void writeRawOutputFolderValue(DWORD type, const void* data, DWORD size);
std::vector<uint8_t> bytesOf(const std::wstring& text, bool withTerminator);

// A real drop record, as the shell hands it over: DROPFILES with wide paths and a double NUL.
// The receiver releases it (DragFinish).
HDROP makeDrop(const std::vector<std::wstring>& paths);

// The main window, created modeless from a template with the program's own dialog procedure.
// It stays hidden: closing a shown one makes the window manager of the test display wait.
HWND openMainWindow(int templateId);
// Closes it the way Esc does (the program's own close), then destroys the window.
void closeMainWindow(HWND window);

std::vector<std::wstring> listItems(HWND window);
bool isShown(HWND control);

// Runs the real modal main window. The steps run one after another inside its own message loop,
// each on its own timer tick, and get the main window; after the last step the dialog must have
// been ended by one of them. A dialog still open after a time-out is cancelled, and the test fails.
INT_PTR runMainWindowModally(const std::vector<std::function<void(HWND)>>& steps);

// A 32-bit top-down memory canvas whose pixels can be read back.
class PixelCanvas {
public:
    PixelCanvas(int width, int height);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void fill(COLORREF colour);
    // The colour of one pixel, as a COLORREF.
    COLORREF pixel(int x, int y) const;

private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    uint32_t* bits_;
};
