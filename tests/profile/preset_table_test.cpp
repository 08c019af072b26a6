#include <gtest/gtest.h>

#include <string>

#include "audio_converter.h"

namespace {

struct PresetCase {
    int index;
    const wchar_t* name;
    const wchar_t* arguments;
    const wchar_t* extension;
};

const PresetCase kPresets[] = {
    {0, L"WAV", L"-vn -ar 44100", L"wav"},
    {1, L"MPEG4 Audio", L"-vn -acodec libvo_aacenc -b:a 112k -ac 2 -ar 48000", L"m4a"},
    {2, L"Ac3 DVD - 192kbps Stereo", L"-f ac3 -acodec ac3 -b:a 192k -ar 48000 -ac 2", L"ac3"},
    {3, L"Ac3 DVD - 384kbps Stereo", L"-f ac3 -acodec ac3 -b:a 384k -ar 48000 -ac 2", L"ac3"},
    {4, L"MP3", L"-acodec libmp3lame -b:a 160k -ac 2 -ar 44100", L"mp3"},
    {5, L"OGG", L"-acodec libvorbis -aq 3 -vn -ac 2", L"ogg"},
    {6, L"WMA", L"-vn -acodec wmav2 -b:a 160k", L"wma"},
};

TEST(PresetTable, EveryRowReadsBackExactlyThroughTheProfile) {
    AudioConverter profile;
    ASSERT_EQ(profile.getPresetCount(), 7);
    for (const PresetCase& preset : kPresets) {
        SCOPED_TRACE(preset.index);
        EXPECT_EQ(profile.getPresetName(preset.index), preset.name);
        EXPECT_EQ(profile.getPresetArguments(preset.index), preset.arguments);
        EXPECT_STREQ(profile.getPresetExtension(preset.index), preset.extension);
    }
    EXPECT_EQ(gAudioPresets[7].displayName, nullptr);
    EXPECT_EQ(gAudioPresets[7].arguments, nullptr);
    EXPECT_EQ(gAudioPresets[7].extension, nullptr);
}

TEST(PresetTable, IndicesThatReachNoRowGiveEmptyTextsNeverNull) {
    AudioConverter profile;
    for (int index : {-1, 7, 8, 1000, INT32_MIN}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(profile.getPresetName(index), L"");
        EXPECT_EQ(profile.getPresetArguments(index), L"");
        const wchar_t* extension = profile.getPresetExtension(index);
        ASSERT_NE(extension, nullptr);
        EXPECT_STREQ(extension, L"");
    }
}

TEST(PresetTable, ExtensionIsTheStaticTextItselfAndCallsGoThroughTheVirtualSlot) {
    AudioConverter profile;
    MediaPreset& base = profile;
    EXPECT_EQ(base.getPresetExtension(2), gAudioPresets[2].extension);
    EXPECT_STREQ(base.getPresetExtension(2), base.getPresetExtension(3));
    EXPECT_STREQ(base.getPresetExtension(0), L"wav");
}

class EmptyTablePreset : public AudioPreset {
public:
    EmptyTablePreset() : AudioPreset(nullptr) {}
    const wchar_t* getPresetExtension(int32_t) override { return L""; }
};

TEST(PresetTable, AProfileWithoutATableHasNoPresets) {
    EmptyTablePreset preset;
    EXPECT_EQ(preset.getPresetCount(), 0);
    EXPECT_EQ(preset.getPresetName(0), L"");
    EXPECT_EQ(preset.getPresetArguments(0), L"");
}

}  // namespace
