// The output presets this converter offers.
#pragma once

struct PresetRow {
    const wchar_t* displayName;
    const wchar_t* arguments;  // transcoder options between the input and the output file
    const wchar_t* extension;  // of the output files, without the dot
};

// Ends with a row whose displayName is null; the table holds no count.
extern const PresetRow gAudioPresets[];
