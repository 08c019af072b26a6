#include <gtest/gtest.h>

#include "convert_core.h"
#include "job_script.h"

namespace {

struct OutputCase {
    const wchar_t* source;
    const wchar_t* folder;
    const wchar_t* extension;
    const wchar_t* expected;
};

const OutputCase kOutputCases[] = {
    {L"C:\\in\\song.flac", L"D:\\out", L"mp3", L"D:\\out\\song.mp3"},
    {L"C:\\in\\my.song.wav", L"D:\\out", L"mp3", L"D:\\out\\my.song.mp3"},
    {L"C:\\in\\README", L"D:\\out.new", L"mp3", L"D:\\out.new\\README.mp3"},
    {L"C:\\in\\track.", L"D:\\out", L"mp3", L"D:\\out\\track.mp3"},
    {L"C:\\in\\.hidden", L"D:\\out", L"mp3", L"D:\\out\\.mp3"},
    {L"C:\\in\\song.flac", L"D:\\", L"mp3", L"D:\\\\song.mp3"},
    {L"C:\\in\\song.flac", L"D:\\out", L"", L"D:\\out\\song.flac"},
    {L"song.FLAC", L"D:\\out", L"ogg", L"D:\\out\\song.ogg"},
    {L"C:/in/song.flac", L"D:\\out", L"wav", L"D:\\out\\C:/in/song.wav"},
    {L"C:\\in\\Song.MP3", L"C:\\in", L"mp3", L"C:\\in\\Song.mp3"},
};

TEST(OutputPath, IsTheFolderTheFileNameAndOnlyTheLastExtensionReplaced) {
    ConvertCore engine;
    for (const OutputCase& c : kOutputCases) {
        engine.outputExtension = c.extension;
        EXPECT_EQ(engine.makeOutputPath(c.source, c.folder), c.expected);
    }
}

TEST(OutputPath, FileNameIsTheTextAfterTheLastBackslashOnly) {
    EXPECT_EQ(getFileName(L"C:\\in\\song.flac"), L"song.flac");
    EXPECT_EQ(getFileName(L"song.flac"), L"song.flac");
    EXPECT_EQ(getFileName(L"C:/in/song.flac"), L"C:/in/song.flac");
    EXPECT_EQ(getFileName(L"C:\\in\\"), L"");
    EXPECT_EQ(getFileName(L""), L"");
}

}  // namespace
