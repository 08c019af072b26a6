// The converter profile: its presets, the source types it accepts and its open-file filter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "preset_table.h"

class MediaPreset {
public:
    explicit MediaPreset(const PresetRow* table) : presetTable(table) {}
    virtual ~MediaPreset() {}
    virtual const wchar_t* getPresetExtension(int32_t index) = 0;

    int32_t getPresetCount() const;
    std::wstring getPresetName(int32_t index) const;
    std::wstring getPresetArguments(int32_t index) const;

protected:
    // The row for an index, or null when the walk reaches the terminator first.
    const PresetRow* findRow(int32_t index) const;

    const PresetRow* presetTable;
};

class AudioPreset : public MediaPreset {
public:
    using MediaPreset::MediaPreset;
};

class AudioConverter : public AudioPreset {
public:
    AudioConverter();
    ~AudioConverter() override;
    AudioConverter(const AudioConverter&) = delete;
    AudioConverter& operator=(const AudioConverter&) = delete;

    const wchar_t* getPresetExtension(int32_t index) override;

    // Accepted source extensions, ".mp3;.wav;...", built on first use.
    const wchar_t* getSourceExtensions();
    // The open-file dialog's filter block, built on first use; never freed by callers.
    const wchar_t* getFileDialogFilter();

    std::wstring sourceExtensions;
    wchar_t* fileDialogFilter;
};

extern AudioConverter* gAudioConverter;

// The source patterns, "*.mp3;*.wav;...".
extern const char gSourcePatterns[];

// The accepted extensions one by one, filled by the first isAcceptedSourceFile.
extern std::vector<std::wstring> gAcceptedExtensions;

// Whether the converter takes this path as a source, judged by the text from its last dot.
bool isAcceptedSourceFile(const std::wstring& path);
