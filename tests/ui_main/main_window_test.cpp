// Start-up, the two templates, the tooltips and the close of the main window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app_entry.h"
#include "audio_converter.h"
#include "button_images.h"
#include "convert_core.h"
#include "main_dialog.h"
#include "resource.h"
#include "ui_test_helpers.h"

namespace {

std::wstring textOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override { deleteSettingsKey(); }
    void TearDown() override { deleteSettingsKey(); }
};

}  // namespace

TEST_F(MainWindowTest, SevenPresetsChooseTheTemplateWithThePresetBox) {
    ASSERT_EQ(gAudioConverter->getPresetCount(), 7);
    EXPECT_EQ(chooseMainTemplate(), IDD_MAIN);
}

TEST_F(MainWindowTest, StartsWithTitleIconsPresetsSavedFolderAndAnEmptyDisabledList) {
    // A folder that does not exist is shown all the same.
    const std::wstring saved = L"Q:\\Gone\\Converted music";
    const std::vector<uint8_t> bytes = bytesOf(saved, false);
    writeRawOutputFolderValue(REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));

    const INT_PTR result = runMainWindowModally({
        [&](HWND window) {
            EXPECT_EQ(textOf(window), L"Velmora 1.0");
            ASSERT_NE(gAppIcon, nullptr);
            EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)), gAppIcon);
            EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)), gAppIcon);
            EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

            HWND presets = GetDlgItem(window, IDC_PRESET);
            const std::vector<std::wstring> names = {L"WAV", L"MPEG4 Audio", L"Ac3 DVD - 192kbps Stereo",
                                                     L"Ac3 DVD - 384kbps Stereo", L"MP3", L"OGG", L"WMA"};
            ASSERT_EQ(SendMessageW(presets, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(names.size()));
            for (size_t i = 0; i < names.size(); ++i) {
                wchar_t name[64] = {};
                SendMessageW(presets, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
                EXPECT_EQ(name, names[i]);
            }
            EXPECT_EQ(SendMessageW(presets, CB_GETCURSEL, 0, 0), 0);
            EXPECT_EQ(sendToControl(window, IDC_PRESET, CB_GETCURSEL), 0);

            EXPECT_EQ(textOf(GetDlgItem(window, IDC_OUTPUT_FOLDER)), saved);

            HWND list = GetDlgItem(window, IDC_SOURCE_LIST);
            EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
            EXPECT_FALSE(IsWindowEnabled(list));
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_DROP_HINT)));

            ASSERT_NE(gConvertCore, nullptr);
            EXPECT_EQ(gConvertCore->state.load(), Idle);
            EXPECT_TRUE(gConvertCore->jobs.empty());

            // Enter, in a box that does not want it, turns into IDOK: not a command of this window.
            HWND box = GetDlgItem(window, IDC_OUTPUT_FOLDER);
            SetFocus(box);
            PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        },
        [&](HWND window) {
            EXPECT_TRUE(IsWindowVisible(window)) << "IDOK closed the window";
            EXPECT_NE(gConvertCore, nullptr);
            EXPECT_FALSE(mainDialogProc(window, WM_COMMAND, IDOK, 0));
            EXPECT_FALSE(mainDialogProc(window, WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FOLDER, EN_CHANGE), 0));
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(MainWindowTest, EveryWayOfClosingSavesTheFolderAndReleasesTheWindowsObjects) {
    struct CloseRoute {
        const char* name;
        void (*close)(HWND window);
    };
    const CloseRoute routes[] = {
        {"Esc key",
         [](HWND window) {
             HWND box = GetDlgItem(window, IDC_OUTPUT_FOLDER);
             SetFocus(box);
             PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {"IDCANCEL", [](HWND window) { PostMessageW(window, WM_COMMAND, IDCANCEL, 0); }},
        {"close box", [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }},
        {"system menu Close", [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const CloseRoute& route : routes) {
        SCOPED_TRACE(route.name);
        deleteSettingsKey();
        const std::wstring typed = std::wstring(L"E:\\Typed before ") + std::wstring(route.name, route.name + strlen(route.name));
        HWND tooltips = nullptr;
        const INT_PTR result = runMainWindowModally({
            [&](HWND window) {
                tooltips = gTooltipWindow;
                SetWindowTextW(GetDlgItem(window, IDC_OUTPUT_FOLDER), typed.c_str());
                route.close(window);
            },
        });
        EXPECT_EQ(result, IDCANCEL);
        const RawValue value = readRawOutputFolderValue();
        EXPECT_TRUE(value.exists);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value.bytes, bytesOf(typed, false));
        EXPECT_EQ(gConvertCore, nullptr);
        EXPECT_EQ(gTooltipWindow, nullptr);
        EXPECT_NE(tooltips, nullptr);
        EXPECT_FALSE(IsWindow(tooltips));
    }
}

TEST_F(MainWindowTest, EachImageButtonHasItsTooltipAndTheDropHintOneWithoutText) {
    for (const int templateId : {IDD_MAIN, IDD_MAIN_SIMPLE}) {
        SCOPED_TRACE(templateId);
        HWND window = openMainWindow(templateId);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(gTooltipWindow, nullptr);
        EXPECT_EQ(GetWindow(gTooltipWindow, GW_OWNER), window);
        EXPECT_TRUE(GetWindowLongW(gTooltipWindow, GWL_STYLE) & TTS_ALWAYSTIP);

        std::map<HWND, std::wstring> texts;
        const LRESULT count = SendMessageW(gTooltipWindow, TTM_GETTOOLCOUNT, 0, 0);
        EXPECT_EQ(count, 5);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[80] = {};
            TOOLINFOW tool = {};
            tool.cbSize = sizeof(tool);
            tool.lpszText = text;
            ASSERT_TRUE(SendMessageW(gTooltipWindow, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool)));
            EXPECT_EQ(tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND | TTF_SUBCLASS));
            EXPECT_EQ(tool.hwnd, window);
            texts[reinterpret_cast<HWND>(tool.uId)] = tool.lpszText && tool.lpszText != LPSTR_TEXTCALLBACKW ? tool.lpszText : L"";
        }
        const std::map<HWND, std::wstring> expected = {
            {GetDlgItem(window, IDC_ADD), L"Add"},
            {GetDlgItem(window, IDC_REMOVE), L"Remove"},
            {GetDlgItem(window, IDC_CLEAR), L"Clear"},
            {GetDlgItem(window, IDC_CONVERT), L"Convert"},
            {GetDlgItem(window, IDC_DROP_HINT), L""},
        };
        EXPECT_EQ(texts, expected);
        closeMainWindow(window);
    }
}

TEST_F(MainWindowTest, WithoutThePresetBoxTheSameCodeRunsTheSimpleWindow) {
    const std::wstring saved = L"D:\\Out";
    const std::vector<uint8_t> bytes = bytesOf(saved, false);
    writeRawOutputFolderValue(REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));

    HWND window = openMainWindow(IDD_MAIN_SIMPLE);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(findControl(window, IDC_PRESET), nullptr);
    EXPECT_EQ(sendToControl(window, IDC_PRESET, CB_GETCURSEL), -1);
    EXPECT_EQ(textOf(window), L"Velmora 1.0");
    EXPECT_EQ(textOf(GetDlgItem(window, IDC_OUTPUT_FOLDER)), saved);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_SOURCE_LIST)));
    EXPECT_TRUE(isShown(GetDlgItem(window, IDC_DROP_HINT)));

    SetWindowTextW(GetDlgItem(window, IDC_OUTPUT_FOLDER), L"D:\\Other");
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(readRawOutputFolderValue().bytes, bytesOf(L"D:\\Other", false));
    closeMainWindow(window);
}
