// The source list: dropping, the open-file dialog's answer, Remove, Clear and the list state.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert_core.h"
#include "main_dialog.h"
#include "resource.h"
#include "source_list.h"
#include "ui_test_helpers.h"

namespace {

using Paths = std::vector<std::wstring>;

class SourceListTest : public testing::Test {
protected:
    void SetUp() override {
        deleteSettingsKey();
        window = openMainWindow(IDD_MAIN);
        ASSERT_NE(window, nullptr);
        list = GetDlgItem(window, IDC_SOURCE_LIST);
        hint = GetDlgItem(window, IDC_DROP_HINT);
    }
    void TearDown() override {
        closeMainWindow(window);
        deleteSettingsKey();
    }

    void drop(const Paths& paths) {
        HDROP record = makeDrop(paths);
        ASSERT_NE(record, nullptr);
        SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(record), 0);
    }
    void command(int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    void select(int index) { SendMessageW(list, LB_SETSEL, TRUE, index); }

    // The list-state rule: enabled with items, the hint only over an empty list.
    void expectListState(bool hasItems) {
        EXPECT_EQ(IsWindowEnabled(list) != FALSE, hasItems);
        EXPECT_EQ(isShown(hint), !hasItems);
    }

    HWND window = nullptr;
    HWND list = nullptr;
    HWND hint = nullptr;
};

}  // namespace

TEST_F(SourceListTest, DroppedFilesAreAdmittedOnceAndOnlyWhenAccepted) {
    struct DropCase {
        const char* name;
        Paths dropped;
        Paths listed;  // in the list's sorted order
        bool anyOrder;  // for items that compare equal but for case, which stand in either order
    };
    const DropCase cases[] = {
        {"kept in sorted order, not in the order of dropping",
         {L"C:\\Music\\b song.mp3", L"C:\\Music\\c song.flac", L"C:\\Music\\a song.wav"},
         {L"C:\\Music\\a song.wav", L"C:\\Music\\b song.mp3", L"C:\\Music\\c song.flac"}, false},
        {"an exact duplicate is refused",
         {L"C:\\Music\\song.mp3", L"C:\\Music\\song.mp3"},
         {L"C:\\Music\\song.mp3"}, false},
        {"a path differing only in case is another file",
         {L"C:\\Music\\song.mp3", L"C:\\MUSIC\\song.mp3"},
         {L"C:\\MUSIC\\song.mp3", L"C:\\Music\\song.mp3"}, true},
        {"types the converter does not take are skipped",
         {L"C:\\Music\\notes.txt", L"C:\\Music\\Album", L"C:\\Music\\cover.jpg", L"C:\\Music\\LOUD.OGG",
          L"C:\\Music\\take.aiff"},
         {L"C:\\Music\\LOUD.OGG", L"C:\\Music\\take.aiff"}, false},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        command(IDC_CLEAR);
        drop(c.dropped);
        Paths items = listItems(window);
        Paths expected = c.listed;
        if (c.anyOrder) {
            std::sort(items.begin(), items.end());
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(items, expected);
    }
}

TEST_F(SourceListTest, PathsLongerThanThePathLimitAreTakenWhole) {
    // Two paths alike in their first 300 characters: cut to any fixed buffer they would be one.
    const std::wstring folder = L"C:\\" + std::wstring(150, L'x') + L"\\" + std::wstring(150, L'y') + L"\\";
    const std::wstring first = folder + L"first take.flac";
    const std::wstring second = folder + L"second take.flac";
    ASSERT_GT(first.size(), 300u);
    drop({first, second, first});
    EXPECT_EQ(listItems(window), (Paths{first, second}));
    EXPECT_EQ(SendMessageW(list, LB_GETTEXTLEN, 0, 0), static_cast<LRESULT>(first.size()));
    EXPECT_TRUE(isInSourceList(second));
    EXPECT_FALSE(isInSourceList(folder + L"first take"));
}

TEST_F(SourceListTest, ADropWhileABatchRunsIsIgnoredAndReleased) {
    gConvertCore->state = Running;
    HDROP record = makeDrop({L"C:\\Music\\song.mp3"});
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(record), 0);
    gConvertCore->state = Idle;
    EXPECT_TRUE(listItems(window).empty());
    expectListState(false);
    EXPECT_EQ(GlobalSize(record), 0u) << "the drop record was not released";

    // The same drop once the batch is over.
    drop({L"C:\\Music\\song.mp3"});
    EXPECT_EQ(listItems(window), (Paths{L"C:\\Music\\song.mp3"}));
}

TEST_F(SourceListTest, ListStateFollowsEveryChange) {
    expectListState(false);
    drop({L"C:\\1.mp3", L"C:\\2.mp3", L"C:\\3.mp3", L"C:\\4.mp3"});
    expectListState(true);

    command(IDC_REMOVE);  // nothing selected: nothing goes, the state is applied all the same
    EXPECT_EQ(listItems(window).size(), 4u);
    expectListState(true);

    select(1);
    select(3);
    command(IDC_REMOVE);
    EXPECT_EQ(listItems(window), (Paths{L"C:\\1.mp3", L"C:\\3.mp3"}));
    expectListState(true);

    select(0);
    select(1);
    command(IDC_REMOVE);
    EXPECT_TRUE(listItems(window).empty());
    expectListState(false);

    drop({L"C:\\5.mp3", L"C:\\6.mp3"});
    expectListState(true);
    command(IDC_CLEAR);
    EXPECT_TRUE(listItems(window).empty());
    expectListState(false);

    command(IDC_CLEAR);  // on an empty list
    expectListState(false);
}

TEST(OpenFileSelection, DialogAnswersBecomeFullPaths) {
    struct SelectionCase {
        const char* name;
        std::wstring buffer;  // as the dialog left it, NULs included
        size_t nameOffset;
        Paths paths;
    };
    const SelectionCase cases[] = {
        {"one file", std::wstring(L"C:\\Music\\song.mp3\0", 18), 9, {L"C:\\Music\\song.mp3"}},
        // Whether the file can be opened plays no part: the dialog's own answer decides.
        {"one file that cannot be opened", std::wstring(L"C:\\Locked\\in use.wav\0", 21), 10,
         {L"C:\\Locked\\in use.wav"}},
        {"one file in a drive's root", std::wstring(L"D:\\a.mp3\0", 9), 3, {L"D:\\a.mp3"}},
        {"several from a folder, in the dialog's order", std::wstring(L"C:\\Music\0b.mp3\0a.wav\0\0", 22), 9,
         {L"C:\\Music\\b.mp3", L"C:\\Music\\a.wav"}},
        {"several from a drive's root: one backslash", std::wstring(L"C:\\\0x.mp3\0y.ogg\0\0", 17), 4,
         {L"C:\\x.mp3", L"C:\\y.ogg"}},
        {"nothing chosen", std::wstring(L"\0\0", 2), 0, {}},
        {"a last name the buffer cut off", std::wstring(L"C:\\M\0a.mp3\0b.m", 14), 5, {L"C:\\M\\a.mp3"}},
        {"a first string the buffer cut off", std::wstring(L"C:\\Music\\so", 11), 9, {}},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseOpenFileSelection(c.buffer.data(), c.buffer.size(), c.nameOffset), c.paths);
    }
}

namespace {

// Answers the open-file dialog from inside its own loop: each tick types the next text into its
// file name box and presses Open; with no texts left the dialog is cancelled. Any other dialog
// (the open-file dialog's own complaint) is dismissed and noted.
struct FileDialogScript {
    std::vector<std::wstring> typed;
    size_t next = 0;
    int ticks = 0;
    bool seen = false;
    bool otherDialog = false;
};
FileDialogScript gFileDialogScript;

struct ThreadDialogs {
    HWND fileDialog = nullptr;
    HWND other = nullptr;
};

BOOL CALLBACK sortDialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    wchar_t title[64] = {};
    GetClassNameW(window, name, 16);
    GetWindowTextW(window, title, 64);
    if (!IsWindowVisible(window) || lstrcmpW(name, L"#32770") != 0 || window == gMainWindow) return TRUE;
    auto* dialogs = reinterpret_cast<ThreadDialogs*>(found);
    if (lstrcmpW(title, L"Select Files") == 0) {
        dialogs->fileDialog = window;
    } else {
        dialogs->other = window;
    }
    return TRUE;
}

void CALLBACK onFileDialogTick(HWND, UINT, UINT_PTR, DWORD) {
    ThreadDialogs dialogs;
    EnumThreadWindows(GetCurrentThreadId(), sortDialog, reinterpret_cast<LPARAM>(&dialogs));
    if (dialogs.other) {
        gFileDialogScript.otherDialog = true;
        PostMessageW(dialogs.other, WM_COMMAND, IDOK, 0);
        return;
    }
    if (!dialogs.fileDialog) return;
    gFileDialogScript.seen = true;
    const bool done = gFileDialogScript.next == gFileDialogScript.typed.size();
    if (done || ++gFileDialogScript.ticks > 50) {
        PostMessageW(dialogs.fileDialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    HWND nameBox = GetDlgItem(dialogs.fileDialog, 0x480);  // edt1
    if (!nameBox) nameBox = GetDlgItem(dialogs.fileDialog, 0x47C);  // cmb13
    SetWindowTextW(nameBox, gFileDialogScript.typed[gFileDialogScript.next++].c_str());
    PostMessageW(dialogs.fileDialog, WM_COMMAND, IDOK, 0);
}

std::wstring makeFolderWithFiles(const Paths& names) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"velmora add " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& name : names) {
        HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
    }
    return folder;
}

void removeFolderWithFiles(const std::wstring& folder, const Paths& names) {
    for (const std::wstring& name : names) DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TEST_F(SourceListTest, AddTakesTheOpenFileDialogsAnswer) {
    const Paths files = {L"b.mp3", L"a.wav", L"read me.txt", L"in use.flac"};
    const std::wstring folder = makeFolderWithFiles(files);
    // Held open without sharing, as a player or an editor may hold it: it cannot be opened here.
    HANDLE held = CreateFileW((folder + L"\\in use.flac").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct AddCase {
        const char* name;
        std::vector<std::wstring> typed;
        Paths listed;
    };
    const AddCase cases[] = {
        {"cancelled", {}, {}},
        {"one file", {folder + L"\\b.mp3"}, {folder + L"\\b.mp3"}},
        {"one file that cannot be opened", {folder + L"\\in use.flac"}, {folder + L"\\in use.flac"}},
        {"several, after going to their folder", {folder, L"\"b.mp3\" \"read me.txt\" \"a.wav\""},
         {folder + L"\\a.wav", folder + L"\\b.mp3"}},
    };
    for (const AddCase& c : cases) {
        SCOPED_TRACE(c.name);
        command(IDC_CLEAR);
        gFileDialogScript = FileDialogScript();
        gFileDialogScript.typed = c.typed;
        const UINT_PTR timer = SetTimer(nullptr, 0, 200, onFileDialogTick);
        command(IDC_ADD);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(gFileDialogScript.seen) << "no dialog titled \"Select Files\"";
        EXPECT_FALSE(gFileDialogScript.otherDialog);
        EXPECT_EQ(gFileDialogScript.next, c.typed.size());
        EXPECT_EQ(listItems(window), c.listed);
        expectListState(!c.listed.empty());
    }
    CloseHandle(held);
    removeFolderWithFiles(folder, files);
}
