// The two main window templates as the module holds them, read from the resource itself: the
// dialog manager changes some styles of the controls it creates, the template does not.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resource.h"
#include "ui_test_helpers.h"

namespace {

struct TemplateItem {
    DWORD style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    DWORD id = 0;
    std::wstring className;
    std::wstring caption;
};

struct DialogTemplate {
    DWORD style = 0;
    int width = 0, height = 0;
    bool hasMenu = false;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<TemplateItem> items;
};

// Reads the extended template format the resource compiler writes for DIALOGEX.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : start_(data), at_(data) {}

    WORD word() { WORD v; std::memcpy(&v, at_, 2); at_ += 2; return v; }
    DWORD dword() { DWORD v; std::memcpy(&v, at_, 4); at_ += 4; return v; }
    short coordinate() { return static_cast<short>(word()); }
    std::wstring text() {
        std::wstring value;
        for (WORD unit = word(); unit != 0; unit = word()) value += static_cast<wchar_t>(unit);
        return value;
    }
    // A name or an ordinal; the predefined control classes come as ordinals.
    std::wstring nameOrOrdinal() {
        WORD first;
        std::memcpy(&first, at_, 2);
        if (first == 0) { at_ += 2; return std::wstring(); }
        if (first != 0xFFFF) return text();
        at_ += 2;
        switch (const WORD ordinal = word()) {
        case 0x80: return L"Button";
        case 0x81: return L"Edit";
        case 0x82: return L"Static";
        case 0x83: return L"ListBox";
        case 0x85: return L"ComboBox";
        default: return L"#" + std::to_wstring(ordinal);
        }
    }
    void alignToDword() {
        while ((at_ - start_) % 4) ++at_;
    }
    void skip(size_t bytes) { at_ += bytes; }

private:
    const BYTE* start_;
    const BYTE* at_;
};

bool readTemplate(int templateId, DialogTemplate& dialog) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));
    if (!resource) return false;
    TemplateReader in(static_cast<const BYTE*>(LockResource(LoadResource(module, resource))));
    if (in.word() != 1 || in.word() != 0xFFFF) return false;
    in.dword();  // help id
    in.dword();  // extended style
    dialog.style = in.dword();
    const WORD count = in.word();
    in.coordinate();
    in.coordinate();
    dialog.width = in.coordinate();
    dialog.height = in.coordinate();
    dialog.hasMenu = !in.nameOrOrdinal().empty();
    in.nameOrOrdinal();  // window class
    dialog.caption = in.text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.word();
        in.word();  // weight
        in.word();  // italic, character set
        dialog.typeface = in.text();
    }
    for (WORD i = 0; i < count; ++i) {
        in.alignToDword();
        TemplateItem item;
        in.dword();  // help id
        in.dword();  // extended style
        item.style = in.dword();
        item.x = in.coordinate();
        item.y = in.coordinate();
        item.width = in.coordinate();
        item.height = in.coordinate();
        item.id = in.dword();
        item.className = in.nameOrOrdinal();
        item.caption = in.nameOrOrdinal();
        in.skip(in.word());
        dialog.items.push_back(item);
    }
    return true;
}

struct ControlRow {
    DWORD id;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;  // every style bit of the control, WS_CHILD and WS_VISIBLE included
    int x, y, width, height;
};

const DWORD kImageButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
const DWORD kPushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kList = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_SORT | LBS_EXTENDEDSEL |
                    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
const DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
const DWORD kPresetBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
const DWORD kFolderBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
const DWORD kDropHint = WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_OWNERDRAW;

const ControlRow kMainControls[] = {
    {IDC_ADD, L"Button", L"Add", kImageButton, 0, 0, 36, 25},
    {IDC_REMOVE, L"Button", L"Remove", kImageButton, 36, 0, 36, 25},
    {IDC_CLEAR, L"Button", L"Clear", kImageButton, 72, 0, 36, 25},
    {IDC_CONVERT, L"Button", L"Convert", kImageButton, 108, 0, 36, 25},
    {IDC_SOURCE_LIST, L"ListBox", L"", kList, 2, 29, 366, 125},
    {IDC_PRESET_LABEL, L"Static", L"Preset:", kLabel, 7, 159, 24, 8},
    {IDC_PRESET, L"ComboBox", L"", kPresetBox, 7, 170, 358, 30},
    {IDC_OUTPUT_FOLDER_LABEL, L"Static", L"Output Folder:", kLabel, 7, 185, 48, 8},
    {IDC_OUTPUT_FOLDER, L"Edit", L"", kFolderBox, 7, 198, 295, 14},
    {IDC_BROWSE, L"Button", L"...", kPushButton, 305, 198, 20, 14},
    {IDC_OPEN_FOLDER, L"Button", L"Open", kPushButton, 325, 198, 40, 14},
    {IDC_DROP_HINT, L"Button", L"Drag and Drop Here", kDropHint, 78, 84, 216, 25},
};

const ControlRow kSimpleControls[] = {
    {IDC_ADD, L"Button", L"Add", kImageButton, 0, 0, 36, 25},
    {IDC_REMOVE, L"Button", L"Remove", kImageButton, 36, 0, 36, 25},
    {IDC_CLEAR, L"Button", L"Clear", kImageButton, 72, 0, 36, 25},
    {IDC_CONVERT, L"Button", L"Convert", kImageButton, 108, 0, 36, 25},
    {IDC_SOURCE_LIST, L"ListBox", L"", kList, 2, 29, 366, 125},
    {IDC_OUTPUT_FOLDER_LABEL, L"Static", L"Output Folder:", kLabel, 7, 160, 48, 8},
    {IDC_OUTPUT_FOLDER, L"Edit", L"", kFolderBox, 7, 173, 295, 14},
    {IDC_BROWSE, L"Button", L"...", kPushButton, 305, 173, 20, 14},
    {IDC_OPEN_FOLDER, L"Button", L"Open", kPushButton, 325, 173, 40, 14},
    {IDC_DROP_HINT, L"Button", L"Drag and Drop Here", kDropHint, 78, 84, 216, 25},
};

struct TemplateCase {
    const char* name;
    int templateId;
    int height;
    const ControlRow* controls;
    size_t count;
};

const TemplateCase kTemplates[] = {
    {"IDD_MAIN", IDD_MAIN, 219, kMainControls, sizeof(kMainControls) / sizeof(kMainControls[0])},
    {"IDD_MAIN_SIMPLE", IDD_MAIN_SIMPLE, 194, kSimpleControls, sizeof(kSimpleControls) / sizeof(kSimpleControls[0])},
};

}  // namespace

TEST(MainWindowTemplates, HoldTheWindowAndItsControlsInTabOrder) {
    for (const TemplateCase& form : kTemplates) {
        SCOPED_TRACE(form.name);
        DialogTemplate dialog;
        ASSERT_TRUE(readTemplate(form.templateId, dialog));

        const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_CENTER;
        EXPECT_EQ(dialog.style & frame, frame);
        EXPECT_FALSE(dialog.style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_VISIBLE));
        EXPECT_FALSE(dialog.hasMenu);
        EXPECT_EQ(dialog.width, 372);
        EXPECT_EQ(dialog.height, form.height);
        EXPECT_EQ(dialog.pointSize, 8);
        EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");

        ASSERT_EQ(dialog.items.size(), form.count);
        for (size_t i = 0; i < form.count; ++i) {
            const ControlRow& want = form.controls[i];
            const TemplateItem& item = dialog.items[i];
            SCOPED_TRACE(want.id);
            EXPECT_EQ(item.id, want.id);
            EXPECT_EQ(lstrcmpiW(item.className.c_str(), want.className), 0);
            EXPECT_EQ(item.caption, want.caption);
            EXPECT_EQ(item.style, want.style);
            EXPECT_EQ(item.x, want.x);
            EXPECT_EQ(item.y, want.y);
            EXPECT_EQ(item.width, want.width);
            EXPECT_EQ(item.height, want.height);
        }
    }
}

TEST(MainWindowTemplates, TheWindowsControlsFollowInTemplateOrder) {
    for (const TemplateCase& form : kTemplates) {
        SCOPED_TRACE(form.name);
        HWND window = openMainWindow(form.templateId);
        ASSERT_NE(window, nullptr);
        std::vector<DWORD> tabOrder;
        HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
        for (HWND control = first; control;) {
            tabOrder.push_back(static_cast<DWORD>(GetDlgCtrlID(control)));
            control = GetNextDlgTabItem(window, control, FALSE);
            if (control == first) break;
        }
        std::vector<DWORD> expected;
        for (size_t i = 0; i < form.count; ++i) {
            // The labels take no tab stop; neither do the disabled hint and, while empty, the list.
            const DWORD id = form.controls[i].id;
            if ((form.controls[i].style & WS_TABSTOP) && id != IDC_SOURCE_LIST) expected.push_back(id);
        }
        EXPECT_EQ(tabOrder, expected);
        closeMainWindow(window);
    }
}
