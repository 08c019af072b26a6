#include "button_images.h"

#include <commctrl.h>

#include <cstring>
#include <new>

#include "main_dialog.h"
#include "resource.h"

const ButtonImageRow gButtonImageRows[] = {
    {IDC_ADD, IDP_ADD, L"Add"},
    {IDC_REMOVE, IDP_REMOVE, L"Remove"},
    {IDC_CLEAR, IDP_CLEAR, L"Clear"},
    {IDC_CONVERT, IDP_CONVERT, L"Convert"},
    {IDC_DROP_HINT, IDP_DROP_HINT, nullptr},
    {0, 0, nullptr},
};

std::map<uint32_t, std::unique_ptr<Gdiplus::Image>> gButtonImages;
HINSTANCE gInstance = nullptr;
HWND gTooltipWindow = nullptr;

namespace {

// GDI+ may read a stream-based image lazily and keeps the stream for the image's whole life,
// so the decoded pixels are copied into a bitmap of their own before the bytes go away.
std::unique_ptr<Gdiplus::Image> copyIntoOwnBitmap(Gdiplus::Image& decoded) {
    const INT width = static_cast<INT>(decoded.GetWidth());
    const INT height = static_cast<INT>(decoded.GetHeight());
    std::unique_ptr<Gdiplus::Image> copy(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    if (!copy || copy->GetLastStatus() != Gdiplus::Ok) return copy;

    Gdiplus::Graphics canvas(copy.get());
    canvas.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    canvas.DrawImage(&decoded, 0, 0, width, height);
    return copy;
}

std::unique_ptr<Gdiplus::Image> decodeBlock(HGLOBAL block) {
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream)) || !stream) return nullptr;

    std::unique_ptr<Gdiplus::Image> decoded(new Gdiplus::Image(stream));
    std::unique_ptr<Gdiplus::Image> result;
    if (decoded && decoded->GetLastStatus() == Gdiplus::Ok) {
        result = copyIntoOwnBitmap(*decoded);
    } else {
        // A picture that does not decode keeps its entry and simply draws nothing.
        result = std::move(decoded);
    }
    decoded.reset();
    stream->Release();
    return result;
}

// Floor of half a signed difference: a picture larger than its control overhangs both sides equally.
int halfOffset(int difference) {
    return difference >= 0 ? difference / 2 : -((1 - difference) / 2);
}

}  // namespace

std::unique_ptr<Gdiplus::Image> loadPngResource(HMODULE module, HRSRC resource) {
    const DWORD size = SizeofResource(module, resource);
    if (size == 0) return nullptr;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* copy = GlobalLock(block);
    if (!copy) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(copy, bytes, size);

    std::unique_ptr<Gdiplus::Image> image = decodeBlock(block);
    GlobalUnlock(block);
    GlobalFree(block);
    return image;
}

bool loadButtonImages(HINSTANCE instance) {
    gInstance = instance;
    for (const ButtonImageRow* row = gButtonImageRows; row->controlId != 0; ++row) {
        const WORD resourceId = static_cast<WORD>(row->pngResourceId & 0xFFFF);
        HRSRC resource = FindResourceW(gInstance, MAKEINTRESOURCEW(resourceId), L"PNG");
        if (!resource) continue;
        std::unique_ptr<Gdiplus::Image> image = loadPngResource(gInstance, resource);
        if (!image) continue;
        gButtonImages[static_cast<uint32_t>(row->controlId)] = std::move(image);
    }
    return true;
}

void drawButtonImage(const DRAWITEMSTRUCT* request) {
    if (!request || request->CtlType != ODT_BUTTON) return;
    const auto entry = gButtonImages.find(request->CtlID);
    if (entry == gButtonImages.end() || !entry->second) return;
    Gdiplus::Image* image = entry->second.get();

    const int width = static_cast<int>(image->GetWidth());
    const int height = static_cast<int>(image->GetHeight());
    const RECT& area = request->rcItem;
    int x = halfOffset(area.right - area.left - width);
    int y = halfOffset(area.bottom - area.top - height);
    // A pressed button's picture sinks by one pixel.
    if ((request->itemAction & ODA_SELECT) || (request->itemState & ODS_SELECTED)) {
        ++x;
        ++y;
    }

    const int background = request->CtlID == IDC_DROP_HINT ? COLOR_WINDOW : COLOR_BTNFACE;
    FillRect(request->hDC, &area, GetSysColorBrush(background));

    Gdiplus::Graphics surface(request->hDC);
    surface.DrawImage(image, area.left + x, area.top + y, width, height);
}

void createButtonTooltips() {
    gTooltipWindow = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, gMainWindow, nullptr, gInstance,
                                     nullptr);
    if (!gTooltipWindow) return;

    for (const ButtonImageRow* row = gButtonImageRows; row->controlId != 0; ++row) {
        HWND control = findControl(gMainWindow, row->controlId);
        if (!control) continue;
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = gMainWindow;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(row->tooltipText);
        SendMessageW(gTooltipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void freeButtonImages() {
    gButtonImages.clear();
}
