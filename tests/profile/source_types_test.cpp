#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "audio_converter.h"

namespace {

const std::wstring kPatterns =
    L"*.mp3;*.wav;*.aac;*.m4a;*.m4b;*.wma;*.asf;*.ogg;*.flac;*.alac;*.ape;*.shn;*.ra;*.ram;*.rm;"
    L"*.rmm;*.rmvb;*.amr;*.mka;*.tta;*.aiff;*.aif;*.au;*.mpc;*.spx;*.ac3;*.cue;*.mp2;*.caf";

class SourceTypes : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gAudioConverter) gAudioConverter = new AudioConverter;  // lives as long as the process
    }
};

TEST_F(SourceTypes, PatternTextHasTheExpectedLength) {
    EXPECT_EQ(std::strlen(gSourcePatterns), 174u);
    EXPECT_EQ(kPatterns.size(), 174u);
}

TEST_F(SourceTypes, SourceExtensionsAreThePatternsWithoutAsterisksAndCached) {
    AudioConverter profile;
    const wchar_t* first = profile.getSourceExtensions();
    EXPECT_STREQ(first,
                 L".mp3;.wav;.aac;.m4a;.m4b;.wma;.asf;.ogg;.flac;.alac;.ape;.shn;.ra;.ram;.rm;.rmm;"
                 L".rmvb;.amr;.mka;.tta;.aiff;.aif;.au;.mpc;.spx;.ac3;.cue;.mp2;.caf");
    EXPECT_EQ(std::wcslen(first), 145u);
    EXPECT_EQ(profile.getSourceExtensions(), first);
}

TEST_F(SourceTypes, FileDialogFilterIsTheExactBlockAndCached) {
    AudioConverter profile;
    const wchar_t* block = profile.getFileDialogFilter();
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(block, profile.fileDialogFilter);

    std::wstring expected = L"Audio Files(" + kPatterns + L")";
    expected += L'\0';
    expected += kPatterns;
    expected += L'\0';
    expected += L"All Files(*.*)";
    expected += L'\0';
    expected += L"*.*";
    expected += L'\0';
    expected += L'\0';
    ASSERT_EQ(expected.size(), 383u);
    EXPECT_EQ(std::wstring(block, block + 383), expected);
    EXPECT_EQ(std::memcmp(block, expected.data(), 766), 0);
    EXPECT_EQ(block[187], L'\0');
    EXPECT_EQ(block[362], L'\0');
    EXPECT_EQ(profile.getFileDialogFilter(), block);
}

struct PathCase {
    const wchar_t* path;
    bool accepted;
};

const PathCase kPaths[] = {
    {L"C:\\Music\\Track.MP3", true},
    {L"C:\\Music\\Song.Flac", true},
    {L"C:\\Music\\Clip.rmvb", true},
    {L"C:\\Music\\Sheet.cue", true},
    {L"C:\\Music\\Track.mp3x", true},
    {L"C:\\Music\\Archive.RAR", true},
    {L"C:\\Music\\Notes.aux", true},
    {L"C:\\Music\\Take.aifc", true},
    {L"C:\\Backup.mp3s\\readme", true},
    {L"C:\\Music\\Track", false},
    {L"C:\\Music\\Track.", false},
    {L"C:\\Music\\Track.mp", false},
    {L"C:\\Music\\Track.mp3.txt", false},
    {L"C:\\Music\\Clip.mp4", false},
    {L"C:\\Music\\Movie.m4v", false},
    {L"C:\\Music\\Video.wmv", false},
    {L"C:\\My.Music\\Track", false},
    // Only A to Z are folded: a non-ASCII capital stays as it is.
    {L"C:\\Music\\Track.\u00C0U", false},
    {L"", false},
};

TEST_F(SourceTypes, AcceptanceFollowsTheTextFromTheLastDot) {
    for (const PathCase& entry : kPaths) {
        EXPECT_EQ(isAcceptedSourceFile(entry.path), entry.accepted) << std::string(entry.path, entry.path + std::wcslen(entry.path));
    }
}

TEST_F(SourceTypes, AcceptedExtensionsAreSplitOnceInOrder) {
    isAcceptedSourceFile(L"C:\\a.mp3");
    isAcceptedSourceFile(L"C:\\b.wav");
    const std::vector<std::wstring> expected = {
        L".mp3", L".wav", L".aac", L".m4a", L".m4b", L".wma", L".asf", L".ogg", L".flac", L".alac",
        L".ape", L".shn", L".ra",  L".ram", L".rm",  L".rmm", L".rmvb", L".amr", L".mka", L".tta",
        L".aiff", L".aif", L".au", L".mpc", L".spx", L".ac3", L".cue", L".mp2", L".caf"};
    EXPECT_EQ(gAcceptedExtensions, expected);
}

}  // namespace
