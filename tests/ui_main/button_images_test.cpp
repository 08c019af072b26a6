// Painting of the image buttons and the drop hint, checked pixel by pixel on a memory canvas.
#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "button_images.h"
#include "resource.h"
#include "ui_test_helpers.h"

namespace {

const COLORREF kMarker = RGB(0x12, 0x84, 0x3C);

struct PicturePixel {
    int x;
    int y;
    BYTE alpha;
    COLORREF colour;
};

// The picture as the test decodes it itself from the module's PNG resource.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<PicturePixel> pixels;
};

Picture decodePicture(int resourceId) {
    Picture picture;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"PNG");
    if (!resource) return picture;
    const DWORD size = SizeofResource(module, resource);
    const void* bytes = LockResource(LoadResource(module, resource));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(block, TRUE, &stream);
    {
        Gdiplus::Bitmap bitmap(stream);
        picture.width = static_cast<int>(bitmap.GetWidth());
        picture.height = static_cast<int>(bitmap.GetHeight());
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                Gdiplus::Color colour;
                bitmap.GetPixel(x, y, &colour);
                picture.pixels.push_back(
                    {x, y, colour.GetA(), RGB(colour.GetR(), colour.GetG(), colour.GetB())});
            }
        }
    }
    stream->Release();
    return picture;
}

bool closeTo(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 2 && std::abs(GetGValue(a) - GetGValue(b)) <= 2 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 2;
}

bool inside(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

DRAWITEMSTRUCT drawRequest(UINT type, UINT id, UINT action, UINT state, HDC dc, RECT rect) {
    DRAWITEMSTRUCT request = {};
    request.CtlType = type;
    request.CtlID = id;
    request.itemAction = action;
    request.itemState = state;
    request.hDC = dc;
    request.rcItem = rect;
    return request;
}

// Counts the canvas pixels that differ from what they should be and says where the first one is.
struct Mismatches {
    int count = 0;
    std::string first;
    void add(const char* what, int x, int y, COLORREF seen) {
        if (count++ == 0) {
            char text[128];
            snprintf(text, sizeof(text), "%s at (%d, %d): 0x%06lx", what, x, y, static_cast<unsigned long>(seen));
            first = text;
        }
    }
};

}  // namespace

TEST(ButtonImages, EveryPictureIsLoadedForItsControlAtItsNaturalSize) {
    struct Expected {
        uint32_t controlId;
        UINT width;
        UINT height;
    };
    const Expected pictures[] = {
        {IDC_ADD, 32, 32}, {IDC_REMOVE, 32, 32}, {IDC_CLEAR, 32, 32}, {IDC_CONVERT, 32, 32}, {IDC_DROP_HINT, 280, 32},
    };
    EXPECT_EQ(gButtonImages.size(), 5u);
    for (const Expected& picture : pictures) {
        SCOPED_TRACE(picture.controlId);
        const auto entry = gButtonImages.find(picture.controlId);
        ASSERT_NE(entry, gButtonImages.end());
        ASSERT_TRUE(entry->second);
        EXPECT_EQ(entry->second->GetWidth(), picture.width);
        EXPECT_EQ(entry->second->GetHeight(), picture.height);
    }
}

TEST(ButtonImages, PictureIsCentredOnItsBackgroundAndSinksWhenPressed) {
    ASSERT_NE(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE)) << "the two backgrounds cannot be told apart";
    struct PaintCase {
        const char* name;
        UINT controlId;
        int pictureId;
        UINT action;
        UINT state;
        RECT rect;
        POINT origin;  // where the picture's top left corner must land
        int background;
    };
    const PaintCase cases[] = {
        {"full repaint", IDC_ADD, IDP_ADD, ODA_DRAWENTIRE, 0, {10, 5, 64, 46}, {21, 9}, COLOR_BTNFACE},
        {"pressed", IDC_ADD, IDP_ADD, ODA_SELECT, ODS_SELECTED, {10, 5, 64, 46}, {22, 10}, COLOR_BTNFACE},
        {"released: still a change of selection", IDC_REMOVE, IDP_REMOVE, ODA_SELECT, 0, {10, 5, 64, 46}, {22, 10},
         COLOR_BTNFACE},
        {"selected state on a full repaint", IDC_CLEAR, IDP_CLEAR, ODA_DRAWENTIRE, ODS_SELECTED, {10, 5, 64, 46},
         {22, 10}, COLOR_BTNFACE},
        {"focus change", IDC_CONVERT, IDP_CONVERT, ODA_FOCUS, ODS_FOCUS, {10, 5, 64, 46}, {21, 9}, COLOR_BTNFACE},
        {"disabled makes no difference", IDC_CONVERT, IDP_CONVERT, ODA_DRAWENTIRE, ODS_DISABLED, {0, 0, 54, 41},
         {11, 4}, COLOR_BTNFACE},
        // 21 - 32 = -11: the picture overhangs by 6 on the left and top, 5 on the right and bottom.
        {"control smaller than the picture", IDC_ADD, IDP_ADD, ODA_DRAWENTIRE, 0, {30, 20, 51, 41}, {24, 14},
         COLOR_BTNFACE},
        {"drop hint on the window colour", IDC_DROP_HINT, IDP_DROP_HINT, ODA_DRAWENTIRE, ODS_DISABLED,
         {4, 8, 328, 49}, {26, 12}, COLOR_WINDOW},
    };
    for (const PaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture picture = decodePicture(c.pictureId);
        ASSERT_GT(picture.width, 0);
        PixelCanvas canvas(340, 64);
        canvas.fill(kMarker);
        const DRAWITEMSTRUCT request = drawRequest(ODT_BUTTON, c.controlId, c.action, c.state, canvas.dc(), c.rect);
        drawButtonImage(&request);

        const COLORREF background = GetSysColor(c.background);
        const RECT placed = {c.origin.x, c.origin.y, c.origin.x + picture.width, c.origin.y + picture.height};
        int opaque = 0;
        Mismatches wrong;
        for (const PicturePixel& p : picture.pixels) {
            const int x = c.origin.x + p.x;
            const int y = c.origin.y + p.y;
            const COLORREF seen = canvas.pixel(x, y);
            if (p.alpha == 255) {
                ++opaque;
                if (!closeTo(seen, p.colour)) wrong.add("opaque picture pixel", x, y, seen);
            } else if (p.alpha == 0) {
                const COLORREF under = inside(c.rect, x, y) ? background : kMarker;
                if (seen != under) wrong.add("transparent picture pixel", x, y, seen);
            }
        }
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                if (inside(placed, x, y)) continue;
                const COLORREF seen = canvas.pixel(x, y);
                if (seen != (inside(c.rect, x, y) ? background : kMarker)) wrong.add("pixel around the picture", x, y, seen);
            }
        }
        EXPECT_GT(opaque, 20) << "the picture has too few opaque pixels to place it";
        EXPECT_EQ(wrong.count, 0) << wrong.first;
    }
}

TEST(ButtonImages, NothingIsPaintedWithoutAPictureOrForOtherControlTypes) {
    struct Request {
        const char* name;
        UINT type;
        UINT controlId;
    };
    const Request requests[] = {
        {"button without a picture", ODT_BUTTON, IDC_SOURCE_LIST},
        {"button with an unknown id", ODT_BUTTON, 4711},
        {"list box", ODT_LISTBOX, IDC_ADD},
        {"static", ODT_STATIC, IDC_DROP_HINT},
        {"menu", ODT_MENU, IDC_CONVERT},
    };
    for (const Request& r : requests) {
        SCOPED_TRACE(r.name);
        PixelCanvas canvas(80, 50);
        canvas.fill(kMarker);
        const DRAWITEMSTRUCT request =
            drawRequest(r.type, r.controlId, ODA_DRAWENTIRE, ODS_SELECTED, canvas.dc(), {0, 0, 80, 50});
        drawButtonImage(&request);
        int changed = 0;
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) changed += canvas.pixel(x, y) != kMarker;
        }
        EXPECT_EQ(changed, 0);
    }
    drawButtonImage(nullptr);
}

TEST(ButtonImages, AResourceThatDoesNotDecodeGivesAPictureThatPaintsOnlyTheBackground) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    std::unique_ptr<Gdiplus::Image> broken = loadPngResource(module, manifest);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->GetWidth(), 0u);

    const uint32_t id = 4242;
    gButtonImages[id] = std::move(broken);
    PixelCanvas canvas(60, 40);
    canvas.fill(kMarker);
    const RECT rect = {5, 5, 50, 35};
    const DRAWITEMSTRUCT request = drawRequest(ODT_BUTTON, id, ODA_DRAWENTIRE, 0, canvas.dc(), rect);
    drawButtonImage(&request);
    gButtonImages.erase(id);

    int wrong = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            wrong += canvas.pixel(x, y) != (inside(rect, x, y) ? GetSysColor(COLOR_BTNFACE) : kMarker);
        }
    }
    EXPECT_EQ(wrong, 0);
}
