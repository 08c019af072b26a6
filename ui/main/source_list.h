// The source list: the files to convert, added through the open-file dialog or by dropping.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string>
#include <vector>

// Length of the open-file dialog's selection buffer, in characters.
constexpr size_t kOpenFileBufferLength = 8320;

// The whole text of a list item, however long; empty when the item cannot be read.
std::wstring getListItemText(HWND list, int index);

bool isInSourceList(const std::wstring& path);
// The new item's index, or -1 when there is no list, the path is listed already or its type
// is not accepted.
LRESULT addSourceFile(const std::wstring& path);

// The full paths of an open-file dialog answer: buffer of capacity characters as the dialog
// filled it, and the dialog's nFileOffset. A single selection is one full path; a multiple one
// is the folder followed by the names.
std::vector<std::wstring> parseOpenFileSelection(const wchar_t* buffer, size_t capacity, size_t nameOffset);

void onAddFiles();
void onRemoveSelected();
void onClearList();
void onDropFiles(HDROP drop);
