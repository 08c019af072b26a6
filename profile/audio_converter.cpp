#include "audio_converter.h"

#include <cstdlib>

AudioConverter* gAudioConverter = nullptr;

namespace {
const wchar_t kEmptyText[] = L"";
}

const PresetRow* MediaPreset::findRow(int32_t index) const {
    if (!presetTable) return nullptr;
    int32_t position = 0;
    for (const PresetRow* row = presetTable; row->displayName; ++row, ++position) {
        if (position == index) return row;
    }
    return nullptr;
}

int32_t MediaPreset::getPresetCount() const {
    if (!presetTable) return 0;
    int32_t count = 0;
    for (const PresetRow* row = presetTable; row->displayName; ++row) ++count;
    return count;
}

std::wstring MediaPreset::getPresetName(int32_t index) const {
    const PresetRow* row = findRow(index);
    return row ? std::wstring(row->displayName) : std::wstring();
}

std::wstring MediaPreset::getPresetArguments(int32_t index) const {
    const PresetRow* row = findRow(index);
    return row && row->arguments ? std::wstring(row->arguments) : std::wstring();
}

AudioConverter::AudioConverter() : AudioPreset(gAudioPresets), fileDialogFilter(nullptr) {}

AudioConverter::~AudioConverter() {
    if (fileDialogFilter) std::free(fileDialogFilter);
    fileDialogFilter = nullptr;
}

const wchar_t* AudioConverter::getPresetExtension(int32_t index) {
    if (index < 0) return kEmptyText;
    const PresetRow* row = findRow(index);
    return row && row->extension ? row->extension : kEmptyText;
}
