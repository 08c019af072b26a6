// The output folder setting: what the edit box shows for each stored value, and what closing stores.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main_dialog.h"
#include "output_folder_setting.h"
#include "resource.h"
#include "ui_test_helpers.h"

namespace {

class OutputFolderSettingTest : public testing::Test {
protected:
    void SetUp() override { deleteSettingsKey(); }
    void TearDown() override { deleteSettingsKey(); }

    // Starts the main window and returns what its output folder box shows.
    std::wstring boxAtStart() {
        HWND window = openMainWindow(IDD_MAIN);
        EXPECT_NE(window, nullptr);
        const std::wstring shown = readOutputFolder(window);
        closeMainWindow(window);
        return shown;
    }
};

std::vector<uint8_t> rawBytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

TEST_F(OutputFolderSettingTest, StoredValuesAndWhatTheBoxShowsAtStart) {
    const std::wstring longest(260, L'L');
    const std::wstring tooLong(261, L'T');
    const DWORD number = 0x003A0043;  // "C:" read as text
    struct StoredCase {
        const char* name;
        DWORD type;
        std::vector<uint8_t> bytes;
        std::wstring shown;
    };
    const StoredCase cases[] = {
        {"as the program stores it, without terminator", REG_SZ, bytesOf(L"D:\\Rendered", false), L"D:\\Rendered"},
        {"written by another tool with a terminator", REG_SZ, bytesOf(L"D:\\Rendered", true), L"D:\\Rendered"},
        {"a folder that no longer exists", REG_SZ, bytesOf(L"Z:\\gone\\away", false), L"Z:\\gone\\away"},
        {"a NUL inside ends the text", REG_SZ, bytesOf(std::wstring(L"C:\\a\0junk", 9), false), L"C:\\a"},
        {"an odd size drops the half character", REG_SZ, rawBytes(L"C:\\abc", 7), L"C:\\"},
        {"empty", REG_SZ, {}, L""},
        {"260 characters, 520 bytes", REG_SZ, bytesOf(longest, false), longest},
        {"261 characters, 522 bytes", REG_SZ, bytesOf(tooLong, false), L""},
        {"260 characters with a terminator, 522 bytes", REG_SZ, bytesOf(longest, true), L""},
        {"a number", REG_DWORD, rawBytes(&number, sizeof(number)), L""},
        {"a string of another type", REG_EXPAND_SZ, bytesOf(L"%TEMP%", true), L""},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(c.name);
        deleteSettingsKey();
        writeRawOutputFolderValue(c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        EXPECT_EQ(boxAtStart(), c.shown);
    }
}

TEST_F(OutputFolderSettingTest, FirstStartCreatesTheKeyAndShowsAnEmptyBox) {
    ASSERT_FALSE(settingsKeyExists());
    EXPECT_EQ(getSettingsKeyPath(), L"Software\\Orvanta\\wav");
    EXPECT_EQ(boxAtStart(), L"");
    EXPECT_TRUE(settingsKeyExists());

    // A key without the value, as the first start leaves it.
    HWND window = openMainWindow(IDD_MAIN);
    EXPECT_EQ(readOutputFolder(window), L"");
    closeMainWindow(window);
}

TEST_F(OutputFolderSettingTest, ClosingStoresTheBoxTextWithoutTerminatorAndItReadsBack) {
    struct SavedCase {
        const char* name;
        std::wstring typed;
        std::wstring shownNextTime;
    };
    const std::wstring over(300, L'o');
    const SavedCase cases[] = {
        {"a folder", L"C:\\Users\\me\\Music out", L"C:\\Users\\me\\Music out"},
        {"a folder that does not exist", L"Q:\\nowhere", L"Q:\\nowhere"},
        {"text that is no path at all", L"  not a folder  ", L"  not a folder  "},
        {"empty: a value of 0 bytes", L"", L""},
        // Saved whole, but too long to be read back.
        {"longer than 260 characters", over, L""},
    };
    for (const SavedCase& c : cases) {
        SCOPED_TRACE(c.name);
        deleteSettingsKey();
        HWND window = openMainWindow(IDD_MAIN);
        ASSERT_NE(window, nullptr);
        SetWindowTextW(GetDlgItem(window, IDC_OUTPUT_FOLDER), c.typed.c_str());
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
        closeMainWindow(window);

        const RawValue value = readRawOutputFolderValue();
        EXPECT_TRUE(value.exists);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value.bytes, bytesOf(c.typed, false));
        EXPECT_EQ(boxAtStart(), c.shownNextTime);
    }
}

TEST_F(OutputFolderSettingTest, SavingOverAValueWithTerminatorLeavesExactlyTheCharacters) {
    const std::vector<uint8_t> old = bytesOf(L"C:\\Old folder name", true);
    writeRawOutputFolderValue(REG_SZ, old.data(), static_cast<DWORD>(old.size()));
    EXPECT_TRUE(saveOutputFolder(L"C:\\New"));
    EXPECT_EQ(readRawOutputFolderValue().bytes, bytesOf(L"C:\\New", false));
    EXPECT_EQ(loadOutputFolder(), L"C:\\New");
}
